// GNOME's compositor (mutter) on Wayland: it offers clients no virtual keyboard, no clipboard
// without focus and no window list. Pressing keys in other programs goes only through the
// RemoteDesktop portal, after the user consents in a dialog, which formix does not ask for yet;
// so formix runs through XWayland there and says once what that means.
#pragma once

#include "platform/wayland/wayland_session.h"

namespace formix::platform::wayland {

// Whether the compositor is mutter: it offers GTK's own shell global to every client.
bool isMutter(const WaylandSession& session);

inline constexpr const char* kMutterNotice =
    "formix: GNOME lets a program press keys in other programs only after you consent in the RemoteDesktop "
    "portal's dialog, which formix does not ask for yet: phrases are typed only into X11 programs, through "
    "XWayland; for a native Wayland program the phrase is left on the clipboard for you to paste. The whole-form "
    "fill reaches browsers either way. The gestures are GNOME's own shortcuts: in Settings > Keyboard > "
    "Keyboard Shortcuts > Custom Shortcuts, bind keys to `formix --trigger menu`, `fill` or `phrase:PAGE:PHRASE`; "
    "mouse gestures are not possible there.\n";

}  // namespace formix::platform::wayland
