#include "platform/simulated/simulated_hook.h"

#include "hook/decision.h"
#include "platform/simulated/simulated_desktop.h"
#include "text/utf.h"

namespace formix::platform {

std::uint32_t& SimulatedHookEnvironment::messageNumber(std::intptr_t lParam) noexcept {
  return *reinterpret_cast<std::uint32_t*>(lParam);  // the retrieved record starts with its number
}

hook::WindowRef SimulatedHookEnvironment::findWindow(const char* title) noexcept {
  return desktop_.findWindowByCaption(text::fromUtf8Lossy(title));
}

std::int16_t SimulatedHookEnvironment::asyncKeyState(int virtualKey) noexcept {
  return virtualKey == hook::kVkControl && ctrlHeld_ ? static_cast<std::int16_t>(0x8000) : 0;
}

hook::WindowRef SimulatedHookEnvironment::captureWindow() noexcept { return capture_ ? kCaptureHandle : 0; }

std::int32_t SimulatedHookEnvironment::windowLong(hook::WindowRef window, int index) noexcept {
  if (window == kCaptureHandle && capture_) return index == ports::kGwlExStyle ? capture_->exStyle : capture_->style;
  return desktop_.windowLong(static_cast<ports::WindowHandle>(window), index);
}

void SimulatedHookEnvironment::setForegroundWindow(hook::WindowRef window) noexcept {
  desktop_.setForegroundWindow(static_cast<ports::WindowHandle>(window));
}

void SimulatedHookEnvironment::postMessage(hook::WindowRef window, std::uint32_t message, std::uintptr_t,
                                           std::intptr_t lParam) noexcept {
  desktop_.postMessage(static_cast<ports::WindowHandle>(window), message, static_cast<int>(lParam & 0xFFFF),
                       static_cast<int>((lParam >> 16) & 0xFFFF));
}

hook::HookHandle SimulatedHookEnvironment::setWindowsHook() noexcept {
  installed_ = refused_ ? 0 : 0x4D01;
  return installed_;
}

bool SimulatedHookEnvironment::unhookWindowsHook(hook::HookHandle hook) noexcept {
  if (hook == 0 || hook != installed_) return false;
  installed_ = 0;
  return true;
}

std::intptr_t SimulatedHookEnvironment::callNextHook(hook::HookHandle, int, std::uintptr_t, std::intptr_t) noexcept {
  return 0;
}

}  // namespace formix::platform
