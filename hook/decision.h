// What the hook does with one retrieved message: pass it, swallow it, or swallow it and report a
// trigger code to the main window.
//
// Pure rules, no system calls. The facts that cost a system call (whether Ctrl is held, what the
// capture window looks like) are passed as callables and asked only when the rule needs them, so
// the caller pays for them only on the messages that are triggers in the current mode.
#pragma once

#include <cstdint>

#include "triggers/codes.h"

namespace formix::hook {

using triggers::kFillCode;
using triggers::kMenuCode;

// The five message numbers the hook looks at; every other message passes untouched.
inline constexpr std::uint32_t kRButtonDown = 0x204;
inline constexpr std::uint32_t kRButtonUp = 0x205;
inline constexpr std::uint32_t kMButtonDown = 0x207;
inline constexpr std::uint32_t kMButtonUp = 0x208;
inline constexpr std::uint32_t kWindowsKey = 1284;  // 0x504, the press of the Windows key

inline constexpr std::uint32_t kNullMessage = 0;     // what a swallowed message becomes
inline constexpr std::uint32_t kLButtonUp = 0x202;   // the report, posted to the main window
inline constexpr int kVkControl = 0x11;
inline constexpr int kGwlExStyle = -20;
inline constexpr int kGwlStyle = -16;

// The caption that identifies the main window; with no window of that caption the hook stays out
// of the way entirely.
inline constexpr const char kMainWindowTitle[] = "Formix ";

// Mouse modes (which click is a trigger) and key modes (what the Windows key reports).
inline constexpr std::int32_t kMouseOff = 0;
inline constexpr std::int32_t kMouseMiddle = 1;
inline constexpr std::int32_t kMouseCtrlMiddle = 2;
inline constexpr std::int32_t kMouseRight = 3;
inline constexpr std::int32_t kMouseCtrlRight = 4;

enum class Verdict : std::uint8_t { Pass, Swallow, SwallowAndReport };

struct Decision {
  Verdict verdict = Verdict::Pass;
  std::int32_t code = 0;  // the trigger code when verdict is SwallowAndReport, else 0

  friend constexpr bool operator==(const Decision&, const Decision&) = default;
};

inline constexpr Decision kPass{Verdict::Pass, 0};
inline constexpr Decision kSwallow{Verdict::Swallow, 0};
constexpr Decision report(std::int32_t code) { return {Verdict::SwallowAndReport, code}; }

// Whether the modes can make the hook report `code`: 1000 for any mouse trigger (modes 1 to 4),
// the key mode times 1000 for the Windows key in any key mode but 0. A report of any other code
// did not come from the hook.
constexpr bool modesCanReport(std::int32_t mouseMode, std::int32_t keyMode, std::int32_t code) {
  if (code == kMenuCode && mouseMode >= kMouseMiddle && mouseMode <= kMouseCtrlRight) return true;
  return keyMode != 0 && static_cast<std::int64_t>(keyMode) * kMenuCode == code;
}

// Whether a report first brings the main window to the front. The popup menu needs the focus to
// take its keys; a fill must leave every window and the focus as they are until it has read and
// written the page, or the page would see the gesture coming (a blur) before the read.
constexpr bool activatesMainWindow(std::int32_t code) { return code != kFillCode; }

// The fast test every message goes through: one chain of comparisons, no call.
constexpr bool isWatched(std::uint32_t message) {
  return message == kRButtonDown || message == kRButtonUp || message == kMButtonDown ||
         message == kMButtonUp || message == kWindowsKey;
}

// Ctrl is held when the key is down now: the top bit of the asynchronous key state. The low bit
// only says that Ctrl went down at some time since the last query, which would turn a plain click
// after an earlier Ctrl shortcut into a Ctrl-click.
constexpr bool ctrlHeld(std::int16_t asyncKeyState) { return asyncKeyState < 0; }

// Whether the window holding the mouse capture lets a right-button release become a trigger: one
// with extended style 0 and a non-zero style keeps its release; any other lets the trigger go
// ahead. The style is read only when the extended style is 0.
template <class ReadStyle>
constexpr bool captureLetsTriggerThrough(std::int32_t exStyle, ReadStyle&& readStyle) {
  return exStyle != 0 || readStyle() == 0;
}

// The decision for one watched message.
//   mainWindowFound: whether a window titled kMainWindowTitle exists; without it nothing is taken.
//   mouseMode, keyMode: the shared modes as read for this message.
//   ctrlIsHeld(): asked only in the Ctrl modes, and only for a button of that mode.
//   captureAllows(): asked only for a right-button release that is a trigger by mode and Ctrl.
template <class CtrlIsHeld, class CaptureAllows>
constexpr Decision decide(std::uint32_t message, bool mainWindowFound, std::int32_t mouseMode,
                          std::int32_t keyMode, CtrlIsHeld&& ctrlIsHeld, CaptureAllows&& captureAllows) {
  if (!mainWindowFound) return kPass;
  switch (message) {
    case kRButtonDown:
    case kRButtonUp: {
      const bool trigger = mouseMode == kMouseRight || (mouseMode == kMouseCtrlRight && ctrlIsHeld());
      if (!trigger) return kPass;
      if (message == kRButtonDown) return kSwallow;
      return captureAllows() ? report(kMenuCode) : kPass;
    }
    case kMButtonDown:
    case kMButtonUp: {
      const bool trigger = mouseMode == kMouseMiddle || (mouseMode == kMouseCtrlMiddle && ctrlIsHeld());
      if (!trigger) return kPass;
      return message == kMButtonDown ? kSwallow : report(kMenuCode);
    }
    case kWindowsKey:
      if (keyMode == 0) return kPass;
      // Only the key mode exports write the mode (0 to 2); the product is taken without overflow
      // so that any stored value gives a defined code.
      return report(static_cast<std::int32_t>(static_cast<std::uint32_t>(keyMode) * 1000u));
    default:
      return kPass;
  }
}

}  // namespace formix::hook
