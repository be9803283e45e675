// The virtual keyboard's own keymap (xkbcommon, the US layout of the evdev rules: every key the
// program sends is on it without a level shift), the keys of its symbols, and the modifier
// state that the keys held down make.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <optional>
#include <string>

namespace formix::platform::wayland {

class KeyMap {
 public:
  KeyMap();
  // The keymap in `text`, the compositor's own as a keyboard receives it; valid() tells whether
  // it compiled.
  explicit KeyMap(const std::string& text);
  ~KeyMap();
  KeyMap(const KeyMap&) = delete;
  KeyMap& operator=(const KeyMap&) = delete;

  bool valid() const { return state_ != nullptr; }
  // The keymap in the text format the compositor reads, ended by a NUL as it expects.
  const std::string& text() const { return text_; }
  // The evdev code (the key's code on the wire) of the key whose first level gives `keysym`.
  std::optional<uint32_t> evdevCode(uint32_t keysym) const;

  struct Modifiers {
    uint32_t depressed = 0, latched = 0, locked = 0, group = 0;
    bool operator==(const Modifiers&) const = default;
  };
  // The key goes down or up; the modifier state after it.
  Modifiers update(uint32_t evdevCode, bool down);
  // A fresh state: no key down, nothing latched or locked.
  void reset();

 private:
  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
  std::string text_;
};

}  // namespace formix::platform::wayland
