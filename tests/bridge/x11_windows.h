// The windows of a real X display through the WindowSystem port, as much of it as the bridge's
// harness needs: the z-order walk (the window manager's stacking list, front first), titles,
// visibility, and a stand-in main window that is no X window.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/desktop.h"

namespace formix::testing {

class X11Windows : public platform::WindowSystem {
 public:
  X11Windows();
  ~X11Windows() override;
  bool open() const { return display_ != nullptr; }

  platform::WindowHandle createMainWindow(std::u16string_view caption) override;
  void setWindowVisible(platform::WindowHandle, bool) override {}
  void setWindowCaption(platform::WindowHandle, std::u16string_view) override {}
  void setWindowBounds(platform::WindowHandle, double, double, double, double) override {}
  void makeTopmost(platform::WindowHandle) override {}
  platform::WindowHandle firstWindow(platform::WindowHandle window) override;
  platform::WindowHandle nextWindow(platform::WindowHandle window) override;
  int isWindowVisible(platform::WindowHandle window) override;
  int32_t windowLong(platform::WindowHandle window, int index) override;
  std::u16string windowText(platform::WindowHandle window) override;
  bool setForegroundWindow(platform::WindowHandle window) override;
  platform::WindowHandle desktopWindow() override;

  // The main window's stand-in handle.
  static constexpr platform::WindowHandle kMainWindow = 1;

 private:
  Display* display_ = nullptr;
  std::vector<platform::WindowHandle> stack_;  // front first, as of the last firstWindow
};

}  // namespace formix::testing
