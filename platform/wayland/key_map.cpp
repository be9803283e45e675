#include "platform/wayland/key_map.h"

#include <cstdlib>

namespace formix::platform::wayland {
namespace {
// Evdev codes are X keycodes less 8.
constexpr uint32_t kEvdevOffset = 8;
}  // namespace

KeyMap::KeyMap() {
  context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  if (context_ == nullptr) return;
  // Fixed names rather than the user's: the keys sent are chosen by their symbols on this map.
  const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
  keymap_ = xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap_ == nullptr) return;
  char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
  if (text == nullptr) return;
  text_.assign(text);
  text_.push_back('\0');
  std::free(text);
  state_ = xkb_state_new(keymap_);
}

KeyMap::KeyMap(const std::string& text) {
  context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  if (context_ == nullptr) return;
  keymap_ = xkb_keymap_new_from_string(context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap_ == nullptr) return;
  text_ = text;
  text_.push_back('\0');
  state_ = xkb_state_new(keymap_);
}

KeyMap::~KeyMap() {
  if (state_ != nullptr) xkb_state_unref(state_);
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (context_ != nullptr) xkb_context_unref(context_);
}

std::optional<uint32_t> KeyMap::evdevCode(uint32_t keysym) const {
  if (keymap_ == nullptr || keysym == 0) return std::nullopt;
  for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= xkb_keymap_max_keycode(keymap_); ++code) {
    if (code < kEvdevOffset) continue;
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap_, code, 0, 0, &symbols);
    for (int i = 0; i < count; ++i) {
      if (symbols[i] == keysym) return code - kEvdevOffset;
    }
  }
  return std::nullopt;
}

KeyMap::Modifiers KeyMap::update(uint32_t evdevCode, bool down) {
  if (state_ == nullptr) return {};
  xkb_state_update_key(state_, evdevCode + kEvdevOffset, down ? XKB_KEY_DOWN : XKB_KEY_UP);
  return {xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED), xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
          xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED), xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE)};
}

void KeyMap::reset() {
  if (keymap_ == nullptr) return;
  if (state_ != nullptr) xkb_state_unref(state_);
  state_ = xkb_state_new(keymap_);
}

}  // namespace formix::platform::wayland
