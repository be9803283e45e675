// How the X side meets the hook's rules: an X input event as one of the watched message numbers,
// the main window's title test, and the posted left-button-up's coordinates. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "hook/decision.h"
#include "hook/x11/x_protocol.h"

namespace formix::hook::x11 {

// The message number an input event stands for: the right and middle buttons' presses and
// releases, and the press of a Super key as 1284. Everything else (a Super key's release, other
// keys and buttons pressed while a grab is active) is 0, which no rule watches.
constexpr std::uint32_t messageFor(std::uint8_t eventType, std::uint8_t detail, bool isSuperKey) {
  switch (eventType) {
    case kButtonPress:
      return detail == kRightButton ? kRButtonDown : detail == kMiddleButton ? kMButtonDown : 0;
    case kButtonRelease:
      return detail == kRightButton ? kRButtonUp : detail == kMiddleButton ? kMButtonUp : 0;
    case kKeyPress:
      return isSuperKey ? kWindowsKey : 0;
    default:
      return 0;
  }
}

// Ctrl as the hook procedure asks for it: held when the event's state has the Control bit,
// given as the asynchronous key state (top bit set when down).
constexpr std::int16_t ctrlKeyState(std::uint16_t state) {
  return (state & kControlMask) != 0 ? static_cast<std::int16_t>(-0x8000) : std::int16_t{0};
}

// A held key repeats as a release and a press with the same time stamp; only the first press of
// a Super key is a gesture.
struct RepeatFilter {
  std::uint8_t lastReleasedKey = 0;
  std::uint32_t lastReleaseTime = 0;

  void released(std::uint8_t keycode, std::uint32_t time) {
    lastReleasedKey = keycode;
    lastReleaseTime = time;
  }
  bool isRepeat(std::uint8_t keycode, std::uint32_t time) const {
    return keycode == lastReleasedKey && time == lastReleaseTime && keycode != 0;
  }
};

// Whether a window's titles make it the main window: the UTF-8 _NET_WM_NAME when the window has
// one, else WM_NAME, compared byte for byte with "Formix ".
inline bool isMainWindowTitle(std::optional<std::string_view> netWmName, std::optional<std::string_view> wmName) {
  const std::string_view title = netWmName ? *netWmName : wmName.value_or(std::string_view{});
  return (netWmName || wmName) && title == kMainWindowTitle;
}

// The posted left-button-up's lParam as client coordinates: x in the low 16 bits, y in the high
// 16, each signed.
struct ClientPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};
constexpr ClientPoint pointFromLParam(std::intptr_t lParam) {
  const auto bits = static_cast<std::uint32_t>(lParam);
  return {static_cast<std::int16_t>(bits & 0xffffu), static_cast<std::int16_t>(bits >> 16)};
}

}  // namespace formix::hook::x11
