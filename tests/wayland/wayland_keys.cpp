// Presses keys in the focused window of a Wayland session the way formix types there: through a
// virtual keyboard, or on KWin through its fake input (granted to this program as to formix).
// Each argument is one chord such as "ctrl+s" or "Return", pressed in order
// and released in reverse. The tests use it for what a user would type (saving a file).
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
#include "platform/wayland/kwin_fake_input.h"
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
