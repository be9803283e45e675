// The gestures formix offers a desktop as global shortcuts of its own, and what formix says of
// the keys the desktop gave them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace formix::platform {

struct GestureShortcut {
  std::string id;           // the trigger it runs: "fill", "menu"
  std::string description;  // as the desktop's settings list it
  std::string preferredTrigger;  // as the portals write keys: "LOGO+ALT+f"
};

// The whole-form fill and the menu, with the keys formix asks for first.
const std::vector<GestureShortcut>& gestureShortcuts();

// One line for a person: which key runs which gesture, and where to change them; a gesture the
// desktop gave no key (it was taken) is named as one to give a key there.
std::string boundGesturesNotice(const std::vector<std::pair<std::string, std::string>>& keys, const std::string& formix);

}  // namespace formix::platform
