// Everything the hook library asks of the system, one call per system function it uses.
//
// The library's rules (hook_library.h) run over any type with these members. The Windows library
// implements them as inline one-line calls into user32 (win32/win32_environment.h); a desktop that
// delivers messages itself derives from HookEnvironment below and passes messages of its own
// windows through the same procedure.
#pragma once

#include <concepts>
#include <cstdint>

#include "hook/shared_state.h"

namespace formix::hook {

// A window of the desktop by its handle value; 0 is no window.
using WindowRef = std::uintptr_t;

template <class E>
concept HookSystem = requires(E& env, const char* title, int index, WindowRef window, std::uint32_t message,
                              std::uintptr_t wParam, std::intptr_t lParam, int code, HookHandle hook) {
  // The message number inside the record that the hook procedure's lParam points to; the hook
  // swallows a message by writing through this reference.
  { env.messageNumber(lParam) } -> std::same_as<std::uint32_t&>;
  // A top-level window with exactly this caption, or 0 (FindWindowA with no class name).
  { env.findWindow(title) } -> std::same_as<WindowRef>;
  // The asynchronous state of a virtual key (GetAsyncKeyState).
  { env.asyncKeyState(index) } -> std::same_as<std::int16_t>;
  // The window of the calling thread that holds the mouse capture, or 0 (GetCapture).
  { env.captureWindow() } -> std::same_as<WindowRef>;
  // A window's style (index -16) or extended style (index -20) (GetWindowLongA).
  { env.windowLong(window, index) } -> std::same_as<std::int32_t>;
  // Bring a window to the front (SetForegroundWindow); the result is not needed.
  { env.setForegroundWindow(window) } -> std::same_as<void>;
  // Post a message to a window's queue (PostMessageA); the result is not needed.
  { env.postMessage(window, message, wParam, lParam) } -> std::same_as<void>;
  // Install the library's procedure as a message hook for every thread of the desktop
  // (SetWindowsHookExA with WH_GETMESSAGE, the library's module, thread 0); 0 when refused.
  { env.setWindowsHook() } -> std::same_as<HookHandle>;
  // Remove an installed hook (UnhookWindowsHookEx); false when that failed.
  { env.unhookWindowsHook(hook) } -> std::same_as<bool>;
  // Hand the message on to the next hook (CallNextHookEx) and return its result.
  { env.callNextHook(hook, code, wParam, lParam) } -> std::same_as<std::intptr_t>;
};

// The same calls as a run-time interface, for a desktop that implements the system in-process.
// Every member is noexcept: the hook procedure runs inside other programs' message loops and
// must never throw.
class HookEnvironment {
 public:
  virtual ~HookEnvironment() = default;

  virtual std::uint32_t& messageNumber(std::intptr_t lParam) noexcept = 0;
  virtual WindowRef findWindow(const char* title) noexcept = 0;
  virtual std::int16_t asyncKeyState(int virtualKey) noexcept = 0;
  virtual WindowRef captureWindow() noexcept = 0;
  virtual std::int32_t windowLong(WindowRef window, int index) noexcept = 0;
  virtual void setForegroundWindow(WindowRef window) noexcept = 0;
  virtual void postMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) noexcept = 0;
  virtual HookHandle setWindowsHook() noexcept = 0;
  virtual bool unhookWindowsHook(HookHandle hook) noexcept = 0;
  virtual std::intptr_t callNextHook(HookHandle hook, int code, std::uintptr_t wParam,
                                     std::intptr_t lParam) noexcept = 0;
};

static_assert(HookSystem<HookEnvironment>);

}  // namespace formix::hook
