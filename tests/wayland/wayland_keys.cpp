// Presses keys in the focused window of a Wayland session the way formix types there: through a
// virtual keyboard, or on KWin through its fake input (granted to this program as to formix).
// Each argument is one chord such as "ctrl+s" or "Return", pressed in order
// and released in reverse. The tests use it for what a user would type (saving a file). On KWin
// an argument "click:X,Y" is a left click at that point of the screen instead.
//
//   wayland_keys CHORD...
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/wayland/virtual_keyboard.h"
#include "platform/wayland/wayland_session.h"
#ifdef FORMIX_KWIN
#include <linux/input-event-codes.h>
#include <unistd.h>

#include "fake-input-client.h"
#include "platform/wayland/kwin_fake_input.h"

namespace {
// A left click at X,Y of the screen through a fake input of its own.
bool click(formix::platform::wayland::WaylandSession& session, const std::string& where) {
  int x = 0, y = 0;
  if (std::sscanf(where.c_str(), "%d,%d", &x, &y) != 2) return false;
  auto* pointer = static_cast<org_kde_kwin_fake_input*>(session.bind(org_kde_kwin_fake_input_interface, 4));
  if (pointer == nullptr) return false;
  org_kde_kwin_fake_input_authenticate(pointer, "wayland_keys", "clicks for a test");
  // The pointer enters the window, and the press and release come apart, as a hand makes them.
  org_kde_kwin_fake_input_pointer_motion_absolute(pointer, wl_fixed_from_int(x), wl_fixed_from_int(y));
  session.roundtrip();
  usleep(150000);
  org_kde_kwin_fake_input_button(pointer, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
  session.roundtrip();
  usleep(80000);
  org_kde_kwin_fake_input_button(pointer, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
  const bool done = session.roundtrip();
  org_kde_kwin_fake_input_destroy(pointer);
  return done;
}
}  // namespace
#endif

int main(int argc, char** argv) {
  using namespace formix::platform::wayland;
  WaylandSession session;
  VirtualKeyboard virtualKeyboard(session);
  std::function<void(uint32_t, bool)> key = [&](uint32_t sym, bool down) { virtualKeyboard.key(sym, down); };
  bool fake = false;
#ifdef FORMIX_KWIN
  FakeInputKeyboard fakeInput(session, "wayland_keys");
  fake = fakeInput.available();
  if (fake) key = [&](uint32_t sym, bool down) { fakeInput.key(sym, down); };
#endif
  if (!session.connected() || (!fake && !virtualKeyboard.prepare())) {
    std::fprintf(stderr, "wayland_keys: no Wayland display with virtual keyboards or fake input\n");
    return 1;
  }
  for (int i = 1; i < argc; ++i) {
#ifdef FORMIX_KWIN
    if (std::string(argv[i]).rfind("click:", 0) == 0) {
      if (!click(session, std::string(argv[i]).substr(6))) {
        std::fprintf(stderr, "wayland_keys: cannot click at '%s'\n", argv[i] + 6);
        return 2;
      }
      continue;
    }
#endif
    std::vector<xkb_keysym_t> chord;
    std::string rest = argv[i];
    for (size_t plus; !rest.empty(); rest = plus == std::string::npos ? "" : rest.substr(plus + 1)) {
      plus = rest.find('+', 1);
      std::string name = rest.substr(0, plus);
      if (name == "ctrl") name = "Control_L";
      if (name == "shift") name = "Shift_L";
      if (name == "alt") name = "Alt_L";
      const xkb_keysym_t sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
      if (sym == XKB_KEY_NoSymbol) {
        std::fprintf(stderr, "wayland_keys: no key '%s'\n", name.c_str());
        return 2;
      }
      chord.push_back(sym);
    }
    for (xkb_keysym_t sym : chord) key(sym, true);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it) key(*it, false);
  }
  return session.roundtrip() ? 0 : 1;
}
