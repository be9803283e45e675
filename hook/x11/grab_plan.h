// Which passive grabs the hook holds on the root window for a pair of modes, and what changes
// when the modes change. Pure: the X side only carries out the lists made here.
#pragma once

#include <algorithm>
#include <compare>
#include <cstdint>
#include <span>
#include <vector>

#include "hook/decision.h"
#include "hook/x11/x_protocol.h"

namespace formix::hook::x11 {

// One passive grab: a pointer button or a keycode together with the exact modifier state that
// activates it.
struct Grab {
  enum class Kind : std::uint8_t { Button, Key };
  Kind kind = Kind::Button;
  std::uint8_t detail = 0;  // button number or keycode
  std::uint16_t modifiers = 0;

  friend constexpr auto operator<=>(const Grab&, const Grab&) = default;
};

// The modifier bits that the lock keys set on this display. CapsLock is always the Lock bit;
// NumLock and ScrollLock are whichever ModN carries their keys (0 when none does).
struct LockMasks {
  std::uint16_t num = 0;
  std::uint16_t scroll = 0;
};

// Every state the lock keys can add to a gesture: all combinations of the distinct non-zero
// lock bits, starting with none. A grab is for one exact state, so each watched gesture is
// grabbed once per combination; otherwise a click with NumLock on would never be seen.
inline std::vector<std::uint16_t> lockCombinations(LockMasks locks) {
  std::vector<std::uint16_t> bits{kLockMask};
  for (const std::uint16_t bit : {locks.num, locks.scroll}) {
    if (bit != 0 && std::find(bits.begin(), bits.end(), bit) == bits.end()) bits.push_back(bit);
  }
  std::vector<std::uint16_t> out;
  for (unsigned subset = 0; subset < (1u << bits.size()); ++subset) {
    std::uint16_t mask = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
      if (subset & (1u << i)) mask = static_cast<std::uint16_t>(mask | bits[i]);
    }
    out.push_back(mask);
  }
  return out;
}

// The grabs for the current modes, sorted. Nothing is grabbed while the main window is missing:
// then every gesture belongs to the application it was meant for.
//   Mouse modes 1 and 3 take the button with or without Ctrl (Ctrl is not read there, so a
//   Ctrl-click is a trigger too); modes 2 and 4 take it only with Ctrl. Key modes 1 and 2 take
//   the Super keys. Shift, Alt and the other modifiers are left to whoever else wants them.
inline std::vector<Grab> grabsFor(std::int32_t mouseMode, std::int32_t keyMode, bool mainWindowFound,
                                  LockMasks locks, std::span<const std::uint8_t> superKeycodes) {
  std::vector<Grab> out;
  if (!mainWindowFound) return out;
  const std::vector<std::uint16_t> lockStates = lockCombinations(locks);
  const auto add = [&](Grab::Kind kind, std::uint8_t detail, std::uint16_t base) {
    for (const std::uint16_t lock : lockStates) out.push_back({kind, detail, static_cast<std::uint16_t>(base | lock)});
  };
  const bool middle = mouseMode == kMouseMiddle || mouseMode == kMouseCtrlMiddle;
  const bool right = mouseMode == kMouseRight || mouseMode == kMouseCtrlRight;
  if (middle || right) {
    const std::uint8_t button = middle ? kMiddleButton : kRightButton;
    if (mouseMode == kMouseMiddle || mouseMode == kMouseRight) add(Grab::Kind::Button, button, 0);
    add(Grab::Kind::Button, button, kControlMask);
  }
  if (keyMode != 0) {
    for (const std::uint8_t keycode : superKeycodes) {
      if (keycode != 0) add(Grab::Kind::Key, keycode, 0);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// What to release and what to take to go from the grabs held to the grabs wanted (both sorted).
// Grabs in both lists stay untouched, so a gesture under way is not disturbed by a mode change
// that keeps its grab.
struct GrabChange {
  std::vector<Grab> release;
  std::vector<Grab> take;
};

inline GrabChange grabChange(std::span<const Grab> held, std::span<const Grab> wanted) {
  GrabChange change;
  std::set_difference(held.begin(), held.end(), wanted.begin(), wanted.end(), std::back_inserter(change.release));
  std::set_difference(wanted.begin(), wanted.end(), held.begin(), held.end(), std::back_inserter(change.take));
  return change;
}

// The mask of the first modifier (Shift, Lock, Control, Mod1..Mod5) whose row of the display's
// modifier map holds one of the given keycodes; 0 when none does. The map has eight rows of
// perModifier keycodes each, 0 marking an unused slot.
inline std::uint16_t modifierMaskHolding(std::span<const std::uint8_t> modifierMap, std::size_t perModifier,
                                         std::span<const std::uint8_t> keycodes) {
  for (std::size_t row = 0; row < 8 && (row + 1) * perModifier <= modifierMap.size(); ++row) {
    for (std::size_t i = 0; i < perModifier; ++i) {
      const std::uint8_t code = modifierMap[row * perModifier + i];
      if (code != 0 && std::find(keycodes.begin(), keycodes.end(), code) != keycodes.end()) {
        return static_cast<std::uint16_t>(1u << row);
      }
    }
  }
  return 0;
}

}  // namespace formix::hook::x11
