#include "platform/linux/sway_bindings.h"

namespace formix::platform {
namespace {

// A program path for sway's exec, which hands it to a shell: in single quotes, each quote of
// its own closed, escaped and opened again.
std::string quoted(std::string_view program) {
  std::string out = "'";
  for (char c : program) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace

std::string swayBindings(int mouseMode, int keyMode, std::string_view program) {
  std::string lines = "for_window [title=\"^Formix\"] floating enable, sticky enable\n"
                      "no_focus [title=\"^Formix\"]\n";
  const std::string exec = " exec " + quoted(program) + " --trigger ";
  static constexpr const char* kButtons[] = {"", "button2", "Ctrl+button2", "button3", "Ctrl+button3"};
  if (mouseMode >= 1 && mouseMode <= 4) {
    lines += std::string("bindsym --whole-window ") + kButtons[mouseMode] + exec + "menu\n";
  }
  if (keyMode == 1 || keyMode == 2) {
    // On its release alone, so that Super with another key stays the desktop's own shortcut.
    lines += "bindsym --release Super_L" + exec + (keyMode == 1 ? "menu\n" : "fill\n");
  }
  return lines;
}

}  // namespace formix::platform
