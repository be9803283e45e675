// The hook procedure's view of an X11 display, so that the X library judges each gesture by the
// very rules of the Windows library (hook/hook_library.h).
//
// A message is an FmxHookMessage record made from an X event: Ctrl comes from the event's state,
// and another client's active grab stands for the capture window. Finding the main window,
// activating it, reporting to it and starting or stopping the watch are the display's business
// (TriggerTarget, WatchControl), behind interfaces so that the rules run in tests without a server.
#pragma once

#include <climits>
#include <cstdint>

#include "hook/decision.h"
#include "hook/hook_environment.h"
#include "hook/x11/fmxhook.h"
#include "hook/x11/x_input.h"

namespace formix::hook::x11 {

// Where triggers go: the main window, found, activated and reported to on the display.
class TriggerTarget {
 public:
  virtual ~TriggerTarget() = default;
  // The top-level window titled "Formix " that this process made, or 0.
  virtual WindowRef mainWindow() noexcept = 0;
  // Ask the window manager to bring the window to the front (_NET_ACTIVE_WINDOW).
  virtual void activate(WindowRef window, std::uint32_t time) noexcept = 0;
  // Send the window a _FORMIX_HOOK client message: the message number and a point.
  virtual void report(WindowRef window, std::uint32_t message, ClientPoint point) noexcept = 0;
};

// Starting and stopping the watch of the display in this process.
class WatchControl {
 public:
  virtual ~WatchControl() = default;
  // What to store as the hook handle; 0 when the display could not be watched.
  virtual HookHandle startWatching() noexcept = 0;
  // False when this process was not watching.
  virtual bool stopWatching() noexcept = 0;
};

class X11Environment {
 public:
  // Judging a message: target may be null (no connection to the display), and every message
  // then passes, as without a main window.
  X11Environment(TriggerTarget* target, const FmxHookMessage* record) noexcept : target_(target), record_(record) {}
  // Installing or removing.
  explicit X11Environment(WatchControl& control) noexcept : control_(&control) {}

  std::uint32_t& messageNumber(std::intptr_t lParam) noexcept {
    return reinterpret_cast<FmxHookMessage*>(lParam)->message;
  }
  WindowRef findWindow(const char*) noexcept { return target_ != nullptr ? target_->mainWindow() : 0; }
  std::int16_t asyncKeyState(int virtualKey) noexcept {
    return virtualKey == kVkControl && record_ != nullptr ? ctrlKeyState(record_->state) : std::int16_t{0};
  }
  // Another client's active grab keeps the gesture as a capture window keeps its release: a
  // window with extended style 0 and a non-zero style.
  WindowRef captureWindow() noexcept { return record_ != nullptr && record_->otherGrab != 0 ? 1 : 0; }
  std::int32_t windowLong(WindowRef, int index) noexcept { return index == kGwlStyle ? INT32_MIN : 0; }
  void setForegroundWindow(WindowRef window) noexcept {
    if (target_ != nullptr) target_->activate(window, record_ != nullptr ? record_->time : 0);
  }
  void postMessage(WindowRef window, std::uint32_t message, std::uintptr_t, std::intptr_t lParam) noexcept {
    if (target_ != nullptr) target_->report(window, message, pointFromLParam(lParam));
  }
  HookHandle setWindowsHook() noexcept { return control_ != nullptr ? control_->startWatching() : 0; }
  bool unhookWindowsHook(HookHandle) noexcept { return control_ != nullptr && control_->stopWatching(); }
  std::intptr_t callNextHook(HookHandle, int, std::uintptr_t, std::intptr_t) noexcept { return 0; }

 private:
  TriggerTarget* target_ = nullptr;
  WatchControl* control_ = nullptr;
  const FmxHookMessage* record_ = nullptr;
};

static_assert(HookSystem<X11Environment>);

}  // namespace formix::hook::x11
