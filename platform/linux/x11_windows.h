// Top-level windows on X11, as the window manager sees them: the z-order from
// _NET_CLIENT_LIST_STACKING, states from _NET_WM_STATE, titles from _NET_WM_NAME, the foreground
// through _NET_ACTIVE_WINDOW. Handles are X window ids. The program's own window is the view's.
#pragma once

#include <functional>
#include <vector>

#include "platform/desktop.h"
#include "platform/linux/window_facts.h"
#include "platform/linux/x11_connection.h"

namespace formix::platform::x11 {

// What the port needs of the program's own window, which the view owns.
class OwnWindow {
 public:
  virtual ~OwnWindow() = default;
  virtual WindowHandle handle() = 0;
  virtual void setVisible(bool visible) = 0;
  virtual void setCaption(std::u16string_view caption) = 0;
  // Outer bounds in twips.
  virtual void setBounds(double left, double top, double width, double height) = 0;
  virtual void setOnTop() = 0;
};

class X11Windows : public WindowSystem {
 public:
  X11Windows(Connection& x, OwnWindow& own) : x_(x), own_(own) {}

  WindowHandle createMainWindow(std::u16string_view caption) override;
  void setWindowVisible(WindowHandle window, bool visible) override;
  void setWindowCaption(WindowHandle window, std::u16string_view caption) override;
  void setWindowBounds(WindowHandle window, double left, double top, double width, double height) override;
  void makeTopmost(WindowHandle window) override;

  WindowHandle firstWindow(WindowHandle window) override;
  WindowHandle nextWindow(WindowHandle window) override;
  int isWindowVisible(WindowHandle window) override;
  int32_t windowLong(WindowHandle window, int index) override;
  std::u16string windowText(WindowHandle window) override;

  bool setForegroundWindow(WindowHandle window) override;
  WindowHandle desktopWindow() override { return x_.root(); }
  int64_t windowProcess(WindowHandle window) override;
  std::optional<PixelBounds> windowBounds(WindowHandle window) override;

  // The facts the model's questions are answered from.
  WindowFacts facts(WindowHandle window);

 private:
  Connection& x_;
  OwnWindow& own_;
  std::vector<WindowHandle> stacking_;  // front to back, read at firstWindow
};

}  // namespace formix::platform::x11
