#include "platform/linux/x11_keyboard.h"

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>

namespace formix::platform::x11 {

uint32_t keysymOf(uint8_t virtualKey) {
  switch (virtualKey) {
    case 0x08: return XK_BackSpace;
    case 0x09: return XK_Tab;
    case 0x0D: return XK_Return;
    case 0x10: return XK_Shift_L;
    case 0x11: return XK_Control_L;
    case 0x12: return XK_Alt_L;
    case 0x1B: return XK_Escape;
    case 0x20: return XK_space;
    case 0x25: return XK_Left;
    case 0x26: return XK_Up;
    case 0x27: return XK_Right;
    case 0x28: return XK_Down;
    default: break;
  }
  // Letters are sent as their lower-case keysym (the key itself), digits as themselves.
  if (virtualKey >= 'A' && virtualKey <= 'Z') return XK_a + (virtualKey - 'A');
  if (virtualKey >= '0' && virtualKey <= '9') return XK_0 + (virtualKey - '0');
  return 0;
}

void X11Keyboard::keyEvent(uint8_t virtualKey, uint32_t flags) {
  const uint32_t keysym = keysymOf(virtualKey);
  if (keysym == 0 || !x_.connected()) return;
  // The mapping is read afresh each time, so a layout switched meanwhile is followed.
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(x_.get());
  if (symbols == nullptr) return;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
  if (codes != nullptr && codes[0] != XCB_NO_SYMBOL) {
    const uint8_t type = (flags & kKeyUp) != 0 ? XCB_KEY_RELEASE : XCB_KEY_PRESS;
    xcb_test_fake_input(x_.get(), type, codes[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    x_.flush();
  }
  std::free(codes);
  xcb_key_symbols_free(symbols);
}

}  // namespace formix::platform::x11
