// Keys typed through the compositor's virtual keyboard (zwp_virtual_keyboard_v1), with a keymap
// of its own: the keys sent do not depend on the user's layout. The keyboard is made, and its
// keymap taken in by the compositor, before the first key goes out; a key sent before the
// compositor knows the keymap would be dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wayland/key_map.h"
#include "platform/wayland/wayland_session.h"

struct zwp_virtual_keyboard_v1;

namespace formix::platform::wayland {

class VirtualKeyboard {
 public:
  explicit VirtualKeyboard(WaylandSession& session) : session_(session) {}
  ~VirtualKeyboard();
  VirtualKeyboard(const VirtualKeyboard&) = delete;
  VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

  // Whether the compositor offers virtual keyboards (and a seat for one).
  bool available() const;
  // Makes the keyboard now rather than at the first key; false when it cannot be made.
  bool prepare();
  // The key that gives `keysym` goes down or up; false when no key gives it or there is no
  // keyboard. The modifier state follows the modifier keys sent.
  bool key(uint32_t keysym, bool down);
  // Lets go every key sent down and not yet up.
  void releaseAll();

 private:
  bool send(uint32_t code, bool down);

  WaylandSession& session_;
  KeyMap keymap_;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
  std::vector<uint32_t> down_;  // evdev codes sent down and not yet up
};

}  // namespace formix::platform::wayland
