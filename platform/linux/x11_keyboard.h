// Synthetic keystrokes through XTest, with the keycodes of the keyboard layout in use when the
// key is sent.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "platform/desktop.h"
#include "platform/linux/x11_connection.h"

namespace formix::platform::x11 {

// The X keysym for one of the virtual keys the model sends (Ctrl, V, Tab, Return, letters,
// digits), or 0 for a key it does not know.
uint32_t keysymOf(uint8_t virtualKey);

class X11Keyboard : public Keyboard {
 public:
  explicit X11Keyboard(Connection& x) : x_(x) {}
  void keyEvent(uint8_t virtualKey, uint32_t flags) override;

 private:
  Connection& x_;
};

}  // namespace formix::platform::x11
