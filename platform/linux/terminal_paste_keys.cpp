#include "platform/linux/terminal_paste_keys.h"

#include <algorithm>
#include <array>

namespace formix::platform {
namespace {

std::string lowered(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// Terminal emulators by their program names, in lower case (X11 instance or class, or the
// app_id a Wayland terminal gives itself, such as foot's).
constexpr std::array kCtrlShiftV{
    "gnome-terminal", "gnome-terminal-server", "konsole", "xfce4-terminal", "lxterminal", "mate-terminal",
    "tilix", "terminator", "alacritty", "kitty", "org.wezfurlong.wezterm", "wezterm", "qterminal",
    "terminology", "guake", "tilda", "sakura", "roxterm", "deepin-terminal", "st", "st-256color",
    "cool-retro-term", "terminal", "io.elementary.terminal", "kgx", "org.gnome.console", "blackbox",
    "com.raggesilver.blackbox", "contour", "wayst", "lxqt-terminal", "termite", "hyper", "tabby", "x-terminal-emulator",
    "foot", "footclient", "org.gnome.terminal", "org.kde.konsole", "org.gnome.ptyxis", "com.mitchellh.ghostty"};
constexpr std::array kShiftInsert{"xterm", "uxterm", "rxvt", "urxvt", "rxvt-unicode", "aterm", "eterm", "mrxvt",
                                  "kterm", "mlterm", "xvt", "9term", "wterm"};

template <size_t N>
bool listed(const std::array<const char*, N>& names, const std::string& name) {
  return std::find_if(names.begin(), names.end(), [&](const char* n) { return name == n; }) != names.end();
}

}  // namespace

PasteChord pasteChordOf(const std::vector<std::string>& programNames) {
  for (const std::string& name : programNames) {
    const std::string n = lowered(name);
    if (listed(kCtrlShiftV, n)) return PasteChord::CtrlShiftV;
    if (listed(kShiftInsert, n)) return PasteChord::ShiftInsert;
  }
  return PasteChord::CtrlV;
}

std::vector<ports::Key> keysOf(PasteChord chord) {
  using ports::Key;
  switch (chord) {
    case PasteChord::CtrlShiftV: return {Key::Control, Key::Shift, Key::V};
    case PasteChord::ShiftInsert: return {Key::Shift, Key::Insert};
    case PasteChord::CtrlV: break;
  }
  return {Key::Control, Key::V};
}

}  // namespace formix::platform
