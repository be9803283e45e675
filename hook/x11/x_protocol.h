// The few numbers of the X core protocol and the standard keysyms that the hook's pure rules
// work with. They are fixed by the protocol; the library checks them against xcb's own headers,
// and the rules and their tests build without any X header.
#pragma once

#include <cstdint>

namespace formix::hook::x11 {

// Event codes.
inline constexpr std::uint8_t kKeyPress = 2;
inline constexpr std::uint8_t kKeyRelease = 3;
inline constexpr std::uint8_t kButtonPress = 4;
inline constexpr std::uint8_t kButtonRelease = 5;

// Modifier masks in an event's state and in a grab.
inline constexpr std::uint16_t kShiftMask = 1u << 0;
inline constexpr std::uint16_t kLockMask = 1u << 1;  // CapsLock
inline constexpr std::uint16_t kControlMask = 1u << 2;
inline constexpr std::uint16_t kMod1Mask = 1u << 3;

// Pointer buttons.
inline constexpr std::uint8_t kMiddleButton = 2;
inline constexpr std::uint8_t kRightButton = 3;

// Keysyms.
inline constexpr std::uint32_t kXkSuperL = 0xffeb;
inline constexpr std::uint32_t kXkSuperR = 0xffec;
inline constexpr std::uint32_t kXkNumLock = 0xff7f;
inline constexpr std::uint32_t kXkScrollLock = 0xff14;

}  // namespace formix::hook::x11
