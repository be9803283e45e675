// The hook library's behaviour over any system (see hook_environment.h): the hook procedure and
// the exports that install the hook and set the modes.
//
// The procedure runs for every message that any window thread of the desktop retrieves, inside
// whichever process that thread belongs to. It keeps no state between calls, takes no lock,
// allocates nothing and cannot throw; its only write is to the retrieved message record.
#pragma once

#include <array>
#include <cstdint>

#include "hook/decision.h"
#include "hook/hook_environment.h"
#include "hook/shared_state.h"

namespace formix::hook {

// The judgement of one of the five watched messages, kept out of line so that the path of every
// other message stays a comparison chain and the call to the next hook.
template <HookSystem Env>
[[gnu::noinline]] void judgeWatchedMessage(Env& env, SharedState& shared, std::uint32_t& message) noexcept {
  const WindowRef mainWindow = env.findWindow(kMainWindowTitle);
  const Decision decision = decide(
      message, mainWindow != 0, load(shared.mouseMode), load(shared.keyMode),
      [&env] { return ctrlHeld(env.asyncKeyState(kVkControl)); },
      [&env] {
        const WindowRef capture = env.captureWindow();
        if (capture == 0) return true;  // no capture window: both styles count as 0
        return captureLetsTriggerThrough(env.windowLong(capture, kGwlExStyle),
                                         [&] { return env.windowLong(capture, kGwlStyle); });
      });
  if (decision.verdict == Verdict::Pass) return;
  message = kNullMessage;  // the application and the next hook see a message that does nothing
  if (decision.verdict == Verdict::SwallowAndReport) {
    // Posted, not sent: the hooked application goes on at once. Failures are of no consequence.
    if (activatesMainWindow(decision.code)) env.setForegroundWindow(mainWindow);
    env.postMessage(mainWindow, kLButtonUp, 0, decision.code);  // a left-button-up at (code, 0)
  }
}

// The hook procedure: judge the message that lParam points to, then hand it on.
template <HookSystem Env>
std::intptr_t hookProcedure(Env& env, SharedState& shared, int code, std::uintptr_t wParam,
                            std::intptr_t lParam) noexcept {
  if (code >= 0) {
    // wParam (removed from the queue or only looked at) does not matter: every retrieval is judged.
    std::uint32_t& message = env.messageNumber(lParam);
    if (isWatched(message)) judgeWatchedMessage(env, shared, message);
  }
  return env.callNextHook(load(shared.hookHandle), code, wParam, lParam);
}

// Installs the hook for every thread of the desktop; 0 when installed, -1 when the system refused.
// The handle is stored either way, so a refused hook leaves 0 behind.
template <HookSystem Env>
std::int32_t setHook(Env& env, SharedState& shared) noexcept {
  const HookHandle hook = env.setWindowsHook();
  store(shared.hookHandle, hook);
  return hook != 0 ? 0 : -1;
}

// Removes the stored hook; 0 when removed, -1 when the system refused. The stored handle stays.
template <HookSystem Env>
std::int32_t removeHook(Env& env, SharedState& shared) noexcept {
  return env.unhookWindowsHook(load(shared.hookHandle)) ? 0 : -1;
}

inline void setMouseMode(SharedState& shared, std::int32_t mode) noexcept { store(shared.mouseMode, mode); }
inline void setKeyMode(SharedState& shared, std::int32_t mode) noexcept { store(shared.keyMode, mode); }

// The library as its callers see it in one process: the exports by their names, over that
// process's view of the system and the record all processes share.
template <HookSystem Env>
class FmxHookLibrary {
 public:
  FmxHookLibrary(Env& env, SharedState& shared) noexcept : env_(env), shared_(shared) {}

  std::intptr_t FmxHook(int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
    return hookProcedure(env_, shared_, code, wParam, lParam);
  }
  std::int32_t SetHook() noexcept { return setHook(env_, shared_); }
  std::int32_t RemoveHook() noexcept { return removeHook(env_, shared_); }
  void M_Mode0() noexcept { setMouseMode(shared_, 0); }
  void M_Mode1() noexcept { setMouseMode(shared_, 1); }
  void M_Mode2() noexcept { setMouseMode(shared_, 2); }
  void M_Mode3() noexcept { setMouseMode(shared_, 3); }
  void M_Mode4() noexcept { setMouseMode(shared_, 4); }
  void K_Mode0() noexcept { setKeyMode(shared_, 0); }
  void K_Mode1() noexcept { setKeyMode(shared_, 1); }
  void K_Mode2() noexcept { setKeyMode(shared_, 2); }

 private:
  Env& env_;
  SharedState& shared_;
};

extern template class FmxHookLibrary<HookEnvironment>;

// The library's exports, by name, with the ordinals the Windows library gives them.
struct Export {
  int ordinal;
  const char* name;
};

inline constexpr std::array<Export, 11> kExports{{
    {1, "FmxHook"}, {2, "SetHook"}, {3, "RemoveHook"}, {4, "M_Mode0"}, {5, "M_Mode1"}, {6, "M_Mode2"},
    {7, "M_Mode3"}, {8, "M_Mode4"}, {9, "K_Mode0"}, {10, "K_Mode1"}, {11, "K_Mode2"},
}};

}  // namespace formix::hook
