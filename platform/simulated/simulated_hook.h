// The hook library on the simulated desktop: the same rules as the Windows library, over the
// simulated windows. Once installed, every message a simulated window's thread retrieves passes
// through the hook procedure, as the system calls it in each process.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "hook/hook_environment.h"
#include "hook/shared_state.h"
#include "ports/desktop.h"

namespace formix::platform {

class SimulatedDesktop;

// What one retrieving thread sees of the system while the hook procedure runs.
class SimulatedHookEnvironment : public hook::HookEnvironment {
 public:
  struct Capture {
    int32_t exStyle = 0;
    int32_t style = 0;
  };

  explicit SimulatedHookEnvironment(SimulatedDesktop& desktop) : desktop_(desktop) {}

  // The thread that retrieves the next message: whether Ctrl is held and its capture window.
  void retrievingThread(bool ctrlHeld, const Capture* capture) {
    ctrlHeld_ = ctrlHeld;
    capture_ = capture;
  }
  void refuseHook(bool refused) { refused_ = refused; }
  bool installed() const { return installed_ != 0; }
  void reset() { installed_ = 0; }

  std::uint32_t& messageNumber(std::intptr_t lParam) noexcept override;
  hook::WindowRef findWindow(const char* title) noexcept override;
  std::int16_t asyncKeyState(int virtualKey) noexcept override;
  hook::WindowRef captureWindow() noexcept override;
  std::int32_t windowLong(hook::WindowRef window, int index) noexcept override;
  void setForegroundWindow(hook::WindowRef window) noexcept override;
  void postMessage(hook::WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) noexcept override;
  hook::HookHandle setWindowsHook() noexcept override;
  bool unhookWindowsHook(hook::HookHandle hook) noexcept override;
  std::intptr_t callNextHook(hook::HookHandle hook, int code, std::uintptr_t wParam,
                             std::intptr_t lParam) noexcept override;

  // The handle the capture window has while the procedure asks about it.
  static constexpr hook::WindowRef kCaptureHandle = 0x7FFF0001;

 private:
  SimulatedDesktop& desktop_;
  bool ctrlHeld_ = false;
  const Capture* capture_ = nullptr;
  bool refused_ = false;
  hook::HookHandle installed_ = 0;
};

}  // namespace formix::platform
