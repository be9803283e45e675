#include "platform/linux/gesture_shortcuts.h"

namespace formix::platform {

const std::vector<GestureShortcut>& gestureShortcuts() {
  // The captions of the settings panel's Super-key choices name the two gestures.
  static const std::vector<GestureShortcut> shortcuts{
      {"fill", "一括入力 (fill the whole form)", "LOGO+ALT+f"},
      {"menu", "ﾒﾆｭｰ表示 (the menu of phrases)", "LOGO+ALT+m"},
  };
  return shortcuts;
}

std::string boundGesturesNotice(const std::vector<std::pair<std::string, std::string>>& keys, const std::string& formix) {
  std::string given, without;
  for (const GestureShortcut& gesture : gestureShortcuts()) {
    const std::string what = gesture.id == "fill" ? "the whole-form fill" : "the menu";
    std::string key;
    for (const auto& [id, trigger] : keys) {
      if (id == gesture.id) key = trigger;
    }
    if (!key.empty()) given += (given.empty() ? "" : ", ") + key + " runs " + what;
    else without += (without.empty() ? "" : " and ") + what;
  }
  std::string line = "the gestures are formix's shortcuts in the desktop's settings (System Settings > Shortcuts > Formix)";
  line += given.empty() ? "" : ": " + given;
  if (!without.empty()) line += "; " + without + (without.find(" and ") != std::string::npos ? " have" : " has") + " no key yet: give one there";
  line += "; a phrase takes a custom shortcut running `" + formix + " --trigger phrase:PAGE:PHRASE`; mouse gestures are not possible";
  return line;
}

}  // namespace formix::platform
