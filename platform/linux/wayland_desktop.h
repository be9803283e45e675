// The ports of a Wayland session over the pieces in platform/wayland: keys through the virtual
// keyboard, the clipboard through data control, and the windows in the order the user last
// worked in them (a Wayland client sees no stacking order): the one with the keyboard focus,
// then the one that had it before, and so on. A phrase goes to the focused program, or, when
// that is formix's own bar, to the program focused before it, which gets the focus back. The
// program's own window is the view's, as on X11.
#pragma once

#include <string>
#include <vector>

#include "ports/desktop.h"
#include "platform/linux/x11_windows.h"
#include "platform/wayland/clipboard_thread.h"
#include "platform/wayland/toplevels.h"
#include "platform/wayland/virtual_keyboard.h"
#include "platform/wayland/wayland_session.h"

namespace formix::platform::wayland {

using ports::WindowHandle;

// Whether the compositor offers what typing a phrase needs (a virtual keyboard and the
// clipboard without focus); when it does not, `missing` names what it lacks.
bool canTypeOn(const WaylandSession& session, std::string* missing);

class WaylandWindows : public ports::WindowSystem {
 public:
  WaylandWindows(Toplevels& toplevels, x11::OwnWindow& own) : toplevels_(toplevels), own_(own) {}
  WindowHandle createMainWindow(std::u16string_view caption) override;
  void setWindowVisible(WindowHandle window, bool visible) override;
  void setWindowCaption(WindowHandle window, std::u16string_view caption) override;
  void setWindowBounds(WindowHandle window, double left, double top, double width, double height) override;
  void makeTopmost(WindowHandle window) override;
  // The walk runs over the toplevels by how recently they had the focus.
  WindowHandle firstWindow(WindowHandle window) override;
  WindowHandle nextWindow(WindowHandle window) override;
  int isWindowVisible(WindowHandle window) override;
  int32_t windowLong(WindowHandle window, int index) override;
  std::u16string windowText(WindowHandle window) override;
  // The focused window is in front already; another one is activated through the compositor.
  bool setForegroundWindow(WindowHandle window) override;
  WindowHandle desktopWindow() override { return 0; }

 private:
  Toplevels& toplevels_;
  x11::OwnWindow& own_;
  std::vector<WindowHandle> order_;  // of the walk under way
};

class WaylandKeyboard : public ports::Keyboard {
 public:
  WaylandKeyboard(VirtualKeyboard& keyboard, Toplevels& toplevels) : keyboard_(keyboard), toplevels_(toplevels) {}
  void keyEvent(ports::Key key, ports::KeyAction action) override;
  std::vector<ports::Key> pasteKeys(WindowHandle target) override;
  std::vector<std::u16string> programNames(WindowHandle target) override;

 private:
  VirtualKeyboard& keyboard_;
  Toplevels& toplevels_;
};

class WaylandClipboard : public ports::Clipboard {
 public:
  explicit WaylandClipboard(ClipboardThread& clipboard) : clipboard_(clipboard) {}
  bool clear() override;
  bool setText(std::u16string_view text) override;
  std::optional<std::u16string> text() override;
  bool setSelectionText(std::u16string_view text) override;
  void watchPaste(WindowHandle target) override;
  bool pasteFetched() override;

 private:
  ClipboardThread& clipboard_;
};

// Gestures on Wayland are the compositor's key and button bindings running `formix --trigger`:
// no library watches other programs' input. The hook's calls succeed and do nothing.
class NoHookLoader : public ports::HookLibraryLoader {
 public:
  std::optional<ports::HookExports> loadHookLibrary(std::string_view name) override;
};

}  // namespace formix::platform::wayland
