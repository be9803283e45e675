// The ports of a KDE Plasma (KWin) session on Wayland. KWin offers no virtual keyboard and no
// list of toplevels to clients: the paste key goes out through KWin's fake input, granted to
// formix by its desktop file, and the window with the focus is the one KWin's script reports
// (kwin_active_window.h). The clipboard is data control's, as on wlroots. The bar never takes the
// focus there (kwin_rules.h), so the target is always the window with the focus.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/kwin_active_window.h"
#include "platform/linux/x11_windows.h"
#include "platform/wayland/kwin_fake_input.h"
#include "platform/wayland/wayland_session.h"
#include "ports/desktop.h"

namespace formix::platform::wayland {

// Whether the compositor is KWin: it offers its own globals to every client.
bool isKWin(const WaylandSession& session);

// Whether KWin lets formix type (the clipboard without focus and, granted, fake input);
// `missing` says what it lacks, in the words of the line formix says.
bool canTypeOnKWin(const WaylandSession& session, const FakeInputKeyboard& keys, std::string* missing);

// The windows are walked in the order they last had the focus: on Wayland no stacking order is
// known. The focused window is the target; when that is formix's own popup menu, the window
// used before it, which gets the focus back.
class KWinWindows : public ports::WindowSystem {
 public:
  KWinWindows(KWinActiveWindow& active, x11::OwnWindow& own) : active_(active), own_(own) {}
  ports::WindowHandle createMainWindow(std::u16string_view caption) override;
  void setWindowVisible(ports::WindowHandle window, bool visible) override;
  void setWindowCaption(ports::WindowHandle window, std::u16string_view caption) override;
  void setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) override;
  void makeTopmost(ports::WindowHandle window) override;
  ports::WindowHandle firstWindow(ports::WindowHandle window) override;
  ports::WindowHandle nextWindow(ports::WindowHandle window) override;
  int isWindowVisible(ports::WindowHandle window) override;
  int32_t windowLong(ports::WindowHandle window, int index) override;
  std::u16string windowText(ports::WindowHandle window) override;
  // The focused window is in front already; another one is activated through KWin's scripting.
  bool setForegroundWindow(ports::WindowHandle window) override;
  ports::WindowHandle desktopWindow() override { return 0; }

 private:
  KWinActiveWindow& active_;
  x11::OwnWindow& own_;
  std::vector<ports::WindowHandle> order_;  // of the walk under way
};

class KWinKeyboard : public ports::Keyboard {
 public:
  KWinKeyboard(FakeInputKeyboard& keys, const KWinActiveWindow& active) : keys_(keys), active_(active) {}
  void keyEvent(ports::Key key, ports::KeyAction action) override;
  // By the window's class, as by WM_CLASS on X11 (Konsole takes Ctrl+Shift+V).
  std::vector<ports::Key> pasteKeys(ports::WindowHandle target) override;
  std::vector<std::u16string> programNames(ports::WindowHandle target) override;

 private:
  FakeInputKeyboard& keys_;
  const KWinActiveWindow& active_;
};

}  // namespace formix::platform::wayland
