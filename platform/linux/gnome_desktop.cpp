#include "platform/linux/gnome_desktop.h"

namespace formix::platform::wayland {

bool isMutter(const WaylandSession& session) { return session.offers("gtk_shell1"); }

}  // namespace formix::platform::wayland
