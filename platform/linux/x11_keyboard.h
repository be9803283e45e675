// Synthetic keystrokes through XTest, with the keycodes of the keyboard layout in use when the
// key is sent, and the paste key each program takes.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ports/desktop.h"
#include "platform/linux/x11_connection.h"

namespace formix::platform::x11 {

// The X keysym of a key the model sends (Ctrl, Shift, Alt, Insert, Tab, Return, letters,
// digits), or 0 for a key it does not know.
uint32_t keysymOf(ports::Key key);

// The paste key of a program known by the strings of its WM_CLASS: Ctrl+Shift+V in terminal
// emulators that take it, Shift+Insert in those that have no clipboard paste key (xterm, rxvt),
// Ctrl+V in every other program.
std::vector<ports::Key> pasteKeysOf(const std::vector<std::string>& wmClass);

// The strings of a WM_CLASS property value: instance and class, each ended by a NUL.
std::vector<std::string> wmClassStrings(std::string_view property);

class X11Keyboard : public ports::Keyboard {
 public:
  explicit X11Keyboard(Connection& x) : x_(x) {}
  ~X11Keyboard() override;
  X11Keyboard(const X11Keyboard&) = delete;
  X11Keyboard& operator=(const X11Keyboard&) = delete;
  // Keys the user still holds (Ctrl of a Ctrl+click gesture, Shift, Alt, Super) would turn the
  // keys sent into others: they are released before the first key goes down and pressed again
  // once every key sent is up, so the user's keyboard is as the user holds it. The keys of one
  // such group reach the server in one write, right after the held keys were read: a key the
  // user lets go meanwhile would otherwise be pressed again for good.
  void keyEvent(ports::Key key, ports::KeyAction action) override;
  std::vector<ports::Key> pasteKeys(ports::WindowHandle target) override;
  std::vector<std::u16string> programNames(ports::WindowHandle target) override;

 private:
  std::vector<std::string> wmClass(ports::WindowHandle target);
  // The modifier keys (not the locks) the server holds down now.
  std::vector<xcb_keycode_t> heldModifiers(xcb_key_symbols_t* symbols);
  void fake(uint8_t type, xcb_keycode_t code);

  Connection& x_;
  xcb_key_symbols_t* symbols_ = nullptr;  // the layout, read once per group of keys
  std::vector<xcb_keycode_t> down_;      // keys sent down and not yet up
  std::vector<xcb_keycode_t> released_;  // the user's keys released for them
};

}  // namespace formix::platform::x11
