// The hook library's view of the system on Windows: each member is the one user32 call it names,
// inline, so the hook procedure compiles to direct system calls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "hook/hook_environment.h"

namespace formix::hook::win32 {

// Hook handles travel through the 32-bit field of the shared record: truncated on the way in,
// sign-extended on the way out (window-manager handles have 32 significant bits).
inline HookHandle toStored(HHOOK hook) {
  return static_cast<HookHandle>(reinterpret_cast<std::intptr_t>(hook));
}
inline HHOOK fromStored(HookHandle hook) { return reinterpret_cast<HHOOK>(static_cast<std::intptr_t>(hook)); }
inline HWND toHwnd(WindowRef window) { return reinterpret_cast<HWND>(window); }
inline WindowRef toRef(HWND window) { return reinterpret_cast<WindowRef>(window); }

class Win32Environment {
 public:
  Win32Environment(HOOKPROC procedure, HINSTANCE module) noexcept : procedure_(procedure), module_(module) {}

  std::uint32_t& messageNumber(std::intptr_t lParam) noexcept {
    static_assert(sizeof(MSG::message) == sizeof(std::uint32_t));
    return reinterpret_cast<MSG*>(lParam)->message;
  }
  WindowRef findWindow(const char* title) noexcept { return toRef(FindWindowA(nullptr, title)); }
  std::int16_t asyncKeyState(int virtualKey) noexcept { return GetAsyncKeyState(virtualKey); }
  WindowRef captureWindow() noexcept { return toRef(GetCapture()); }
  std::int32_t windowLong(WindowRef window, int index) noexcept { return GetWindowLongA(toHwnd(window), index); }
  void setForegroundWindow(WindowRef window) noexcept { SetForegroundWindow(toHwnd(window)); }
  void postMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
    PostMessageA(toHwnd(window), message, wParam, lParam);
  }
  HookHandle setWindowsHook() noexcept { return toStored(SetWindowsHookExA(WH_GETMESSAGE, procedure_, module_, 0)); }
  bool unhookWindowsHook(HookHandle hook) noexcept { return UnhookWindowsHookEx(fromStored(hook)) != FALSE; }
  std::intptr_t callNextHook(HookHandle hook, int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
    return CallNextHookEx(fromStored(hook), code, wParam, lParam);
  }

 private:
  HOOKPROC procedure_;
  HINSTANCE module_;
};

static_assert(HookSystem<Win32Environment>);

}  // namespace formix::hook::win32
