#include "platform/linux/x11_keyboard.h"

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "platform/linux/terminal_paste_keys.h"
#include "text/utf.h"

namespace formix::platform::x11 {
namespace {

using ports::Key;

}  // namespace

uint32_t keysymOf(Key key) {
  switch (key) {
    case Key::Tab: return XK_Tab;
    case Key::Enter: return XK_Return;
    case Key::Shift: return XK_Shift_L;
    case Key::Control: return XK_Control_L;
    case Key::Alt: return XK_Alt_L;
    case Key::Insert: return XK_Insert;
    default: break;
  }
  // Letters are sent as their lower-case keysym (the key itself), digits as themselves.
  const std::optional<char> c = ports::characterOfKey(key);
  if (!c) return 0;
  if (*c >= 'A' && *c <= 'Z') return XK_a + static_cast<uint32_t>(*c - 'A');
  return XK_0 + static_cast<uint32_t>(*c - '0');
}

std::vector<std::string> wmClassStrings(std::string_view property) {
  std::vector<std::string> strings;
  while (!property.empty() && strings.size() < 2) {
    const size_t end = property.find('\0');
    strings.emplace_back(property.substr(0, end));
    if (end == std::string_view::npos) break;
    property.remove_prefix(end + 1);
  }
  return strings;
}

std::vector<Key> pasteKeysOf(const std::vector<std::string>& wmClass) { return keysOf(pasteChordOf(wmClass)); }

std::vector<std::string> X11Keyboard::wmClass(ports::WindowHandle target) {
  if (!x_.connected() || target == 0) return {};
  const auto value = x_.property(target, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
  return value ? wmClassStrings(*value) : std::vector<std::string>{};
}

std::vector<Key> X11Keyboard::pasteKeys(ports::WindowHandle target) { return pasteKeysOf(wmClass(target)); }

std::vector<std::u16string> X11Keyboard::programNames(ports::WindowHandle target) {
  std::vector<std::u16string> names;
  // WM_CLASS is Latin-1 by the book; in practice it is ASCII, or UTF-8 from newer toolkits.
  for (const std::string& name : wmClass(target)) names.push_back(text::fromUtf8Lossy(name));
  return names;
}

X11Keyboard::~X11Keyboard() {
  if (symbols_ != nullptr) xcb_key_symbols_free(symbols_);
}

std::vector<xcb_keycode_t> X11Keyboard::heldModifiers(xcb_key_symbols_t* symbols) {
  std::vector<xcb_keycode_t> held;
  xcb_connection_t* c = x_.get();
  // Both requests go out before either answer is awaited: one round trip.
  const xcb_get_modifier_mapping_cookie_t modifiersAsked = xcb_get_modifier_mapping(c);
  const xcb_query_keymap_cookie_t keymapAsked = xcb_query_keymap(c);
  auto* modifiers = xcb_get_modifier_mapping_reply(c, modifiersAsked, nullptr);
  auto* keymap = xcb_query_keymap_reply(c, keymapAsked, nullptr);
  if (keymap != nullptr && modifiers != nullptr) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers);
    const int count = xcb_get_modifier_mapping_keycodes_length(modifiers);
    for (int i = 0; i < count; ++i) {
      const xcb_keycode_t code = codes[i];
      if (code == 0 || (keymap->keys[code / 8] & (1u << (code % 8))) == 0) continue;
      // Lock keys change nothing while held down; only what they lock counts.
      const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols, code, 0);
      if (sym == XK_Caps_Lock || sym == XK_Shift_Lock || sym == XK_Num_Lock || sym == XK_Scroll_Lock) continue;
      if (std::find(held.begin(), held.end(), code) == held.end()) held.push_back(code);
    }
  }
  std::free(modifiers);
  std::free(keymap);
  return held;
}

void X11Keyboard::fake(uint8_t type, xcb_keycode_t code) {
  xcb_test_fake_input(x_.get(), type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void X11Keyboard::keyEvent(Key key, ports::KeyAction action) {
  const uint32_t keysym = keysymOf(key);
  if (keysym == 0 || !x_.connected()) return;
  // The mapping is read afresh for each group of keys, so a layout switched meanwhile is followed;
  // within the group the keys are looked up without asking the server again.
  if (symbols_ == nullptr) symbols_ = xcb_key_symbols_alloc(x_.get());
  if (symbols_ == nullptr) return;
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
  const xcb_keycode_t code = codes != nullptr ? codes[0] : xcb_keycode_t{XCB_NO_SYMBOL};
  std::free(codes);
  if (code != XCB_NO_SYMBOL) {
    if (action == ports::KeyAction::Press) {
      if (down_.empty()) {
        released_ = heldModifiers(symbols_);
        for (const xcb_keycode_t held : released_) fake(XCB_KEY_RELEASE, held);
      }
      fake(XCB_KEY_PRESS, code);
      if (std::find(down_.begin(), down_.end(), code) == down_.end()) down_.push_back(code);
    } else {
      fake(XCB_KEY_RELEASE, code);
      down_.erase(std::remove(down_.begin(), down_.end(), code), down_.end());
    }
  }
  if (down_.empty()) {
    for (const xcb_keycode_t held : released_) fake(XCB_KEY_PRESS, held);
    released_.clear();
    x_.flush();
    xcb_key_symbols_free(symbols_);
    symbols_ = nullptr;
  }
}

}  // namespace formix::platform::x11
