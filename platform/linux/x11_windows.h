// Top-level windows on X11, as the window manager sees them: the z-order from
// _NET_CLIENT_LIST_STACKING, states from _NET_WM_STATE, titles from _NET_WM_NAME, the foreground
// through _NET_ACTIVE_WINDOW. Handles are X window ids. The program's own window is the view's.
#pragma once

#include <functional>
#include <vector>

#include "ports/desktop.h"
#include "platform/linux/window_facts.h"
#include "platform/linux/x11_connection.h"

namespace formix::platform::x11 {

// What the port needs of the program's own window, which the view owns.
class OwnWindow {
 public:
  virtual ~OwnWindow() = default;
  virtual ports::WindowHandle handle() = 0;
  virtual void setVisible(bool visible) = 0;
  virtual void setCaption(std::u16string_view caption) = 0;
  // Outer bounds in twips.
  virtual void setBounds(double left, double top, double width, double height) = 0;
  virtual void setOnTop() = 0;
};

class X11Windows : public ports::WindowSystem {
 public:
  X11Windows(Connection& x, OwnWindow& own) : x_(x), own_(own) {}

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

  bool setForegroundWindow(ports::WindowHandle window) override;
  ports::WindowHandle desktopWindow() override { return x_.root(); }
  int64_t windowProcess(ports::WindowHandle window) override;
  std::optional<ports::WindowSystem::PixelBounds> windowBounds(ports::WindowHandle window) override;

  // The facts the model's questions are answered from.
  WindowFacts facts(ports::WindowHandle window);

 private:
  Connection& x_;
  OwnWindow& own_;
  std::vector<ports::WindowHandle> stacking_;  // front to back, read at firstWindow
};

}  // namespace formix::platform::x11
