// The keys the model presses on a desktop's keyboard, by name. Each desktop maps a key to its own
// code: Win32 sends the value itself (the enumerators are its virtual-key codes, so that mapping
// is the identity), X11 looks up a keysym, the simulated desktop writes the name in its log.
#pragma once

#include <cstdint>
#include <optional>

namespace formix::ports {

// Every letter and digit is a key too: its value is the upper-case letter or the digit itself
// (keyOfCharacter); V, the paste key's, has a name of its own.
enum class Key : uint8_t {
  Tab = 0x09,
  Enter = 0x0D,
  Shift = 0x10,
  Control = 0x11,
  Alt = 0x12,
  Insert = 0x2D,
  V = 'V',
};

// Whether the key goes down or comes back up.
enum class KeyAction : uint8_t { Press, Release };

// The key of a letter or a digit ('a' and 'A' are one key); nullopt for any other character.
constexpr std::optional<Key> keyOfCharacter(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<Key>(c);
  return std::nullopt;
}

// The letter or digit a key stands for, or nullopt for a key that stands for none.
constexpr std::optional<char> characterOfKey(Key key) {
  const auto c = static_cast<char>(key);
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  return std::nullopt;
}

}  // namespace formix::ports
