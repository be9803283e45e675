// Keys pressed through KWin's fake input (org_kde_kwin_fake_input). KWin offers that global only
// to programs that a desktop file grants it (X-KDE-Wayland-Interfaces, with the program's full
// path in Exec), so available() is also whether the grant is installed. The keys go through
// KWin's own keyboard and its layout: a key is sent by its code on the keymap KWin hands to the
// seat's keyboards, so "Ctrl+V" is the key that gives v to the user, on any layout.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/wayland/key_map.h"
#include "platform/wayland/wayland_session.h"

struct org_kde_kwin_fake_input;
struct wl_keyboard;

namespace formix::platform::wayland {

class FakeInputKeyboard {
 public:
  // Binds the global and introduces the program to KWin under `application`.
  FakeInputKeyboard(WaylandSession& session, const char* application);
  ~FakeInputKeyboard();
  FakeInputKeyboard(const FakeInputKeyboard&) = delete;
  FakeInputKeyboard& operator=(const FakeInputKeyboard&) = delete;

  bool available() const { return input_ != nullptr; }
  // The key that gives `keysym` goes down or up; false when no key gives it or there is no
  // fake input. KWin keeps the modifier state from the keys themselves.
  bool key(uint32_t keysym, bool down);
  // Lets go every key sent down and not yet up.
  void releaseAll();

  // The keyboard's listener: KWin's keymap, sent at once and again when the layouts change.
  void keymapArrived(std::unique_ptr<KeyMap> keymap);

 private:
  void send(uint32_t code, bool down);

  WaylandSession& session_;
  org_kde_kwin_fake_input* input_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  std::unique_ptr<KeyMap> layout_;  // KWin's, once it came
  KeyMap us_;                       // until then
  std::vector<uint32_t> down_;      // evdev codes sent down and not yet up
};

}  // namespace formix::platform::wayland
