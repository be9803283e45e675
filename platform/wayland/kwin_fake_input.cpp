#include "platform/wayland/kwin_fake_input.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "fake-input-client.h"

namespace formix::platform::wayland {
namespace {

// The fourth version brought keyboard keys.
constexpr uint32_t kKeyboardVersion = 4;

void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  auto& self = *static_cast<FakeInputKeyboard*>(data);
  if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
    close(fd);
    return;
  }
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) return;
  // The text ends with a NUL that belongs to the size.
  const std::string text(static_cast<const char*>(mapped), strnlen(static_cast<const char*>(mapped), size));
  munmap(mapped, size);
  auto compiled = std::make_unique<KeyMap>(text);
  if (compiled->valid()) self.keymapArrived(std::move(compiled));
}
void enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void leave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void keyEvent(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void repeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener{keymap, enter, leave, keyEvent, modifiers, repeat};

}  // namespace

FakeInputKeyboard::FakeInputKeyboard(WaylandSession& session, const char* application) : session_(session) {
  uint32_t version = 0;
  auto* input = static_cast<org_kde_kwin_fake_input*>(session_.bind(org_kde_kwin_fake_input_interface, kKeyboardVersion, &version));
  if (input == nullptr) return;
  if (version < kKeyboardVersion) {
    org_kde_kwin_fake_input_destroy(input);
    return;
  }
  input_ = input;
  org_kde_kwin_fake_input_authenticate(input_, application, "types stock phrases into the focused program");
  // KWin's keymap comes to any keyboard of the seat, focused or not.
  if (session_.seat() != nullptr) {
    keyboard_ = wl_seat_get_keyboard(session_.seat());
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  }
  session_.roundtrip();
}

FakeInputKeyboard::~FakeInputKeyboard() {
  if (input_ != nullptr) {
    releaseAll();
    org_kde_kwin_fake_input_destroy(input_);
  }
  if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
  session_.flush();
}

void FakeInputKeyboard::keymapArrived(std::unique_ptr<KeyMap> keymap) { layout_ = std::move(keymap); }

bool FakeInputKeyboard::key(uint32_t keysym, bool down) {
  if (input_ == nullptr) return false;
  auto code = layout_ ? layout_->evdevCode(keysym) : std::nullopt;
  if (!code) code = us_.evdevCode(keysym);
  if (!code) return false;
  send(*code, down);
  return true;
}

void FakeInputKeyboard::send(uint32_t code, bool down) {
  const auto held = std::find(down_.begin(), down_.end(), code);
  if (down && held == down_.end()) down_.push_back(code);
  if (!down && held != down_.end()) down_.erase(held);
  org_kde_kwin_fake_input_keyboard_key(input_, code, down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
  session_.flush();
}

void FakeInputKeyboard::releaseAll() {
  while (!down_.empty()) send(down_.back(), false);
}

}  // namespace formix::platform::wayland
