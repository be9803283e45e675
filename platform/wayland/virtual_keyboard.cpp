#include "platform/wayland/virtual_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "virtual-keyboard-unstable-v1-client.h"

namespace formix::platform::wayland {
namespace {

uint32_t milliseconds() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The keymap's text in an anonymous file, as the protocol hands it over; -1 when it cannot be made.
int keymapFile(const std::string& text) {
  const int fd = memfd_create("formix-keymap", MFD_CLOEXEC);
  if (fd < 0) return -1;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) {
      close(fd);
      return -1;
    }
    written += static_cast<size_t>(n);
  }
  return fd;
}

}  // namespace

VirtualKeyboard::~VirtualKeyboard() {
  if (keyboard_ == nullptr) return;
  releaseAll();
  zwp_virtual_keyboard_v1_destroy(keyboard_);
  session_.flush();
}

bool VirtualKeyboard::available() const {
  return session_.virtualKeyboards() != nullptr && session_.seat() != nullptr && keymap_.valid();
}

bool VirtualKeyboard::prepare() {
  if (keyboard_ != nullptr) return true;
  if (!available()) return false;
  const int fd = keymapFile(keymap_.text());
  if (fd < 0) return false;
  keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(session_.virtualKeyboards(), session_.seat());
  zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(keymap_.text().size()));
  close(fd);
  // Only once the compositor has handled the keymap do keys reach programs.
  return session_.roundtrip();
}

bool VirtualKeyboard::key(uint32_t keysym, bool down) {
  const auto code = keymap_.evdevCode(keysym);
  if (!code || !prepare()) return false;
  return send(*code, down);
}

bool VirtualKeyboard::send(uint32_t code, bool down) {
  const auto held = std::find(down_.begin(), down_.end(), code);
  if (down && held == down_.end()) down_.push_back(code);
  if (!down && held != down_.end()) down_.erase(held);
  zwp_virtual_keyboard_v1_key(keyboard_, milliseconds(), code,
                              down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  // Programs read Ctrl and Shift from the modifier state, which the keys alone need not set.
  const KeyMap::Modifiers m = keymap_.update(code, down);
  zwp_virtual_keyboard_v1_modifiers(keyboard_, m.depressed, m.latched, m.locked, m.group);
  session_.flush();
  return true;
}

void VirtualKeyboard::releaseAll() {
  while (!down_.empty()) send(down_.back(), false);
}

}  // namespace formix::platform::wayland
