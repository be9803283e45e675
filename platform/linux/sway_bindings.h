// The lines of a sway configuration that make the gestures chosen in formix: on Wayland no
// program may watch other programs' clicks and keys, so the compositor runs
// `formix --trigger NAME` for them. The bar's two lines keep it floating above the other windows
// and never given the focus, so that phrases go to the window the user works in.
#pragma once

#include <string>
#include <string_view>

namespace formix::platform {

// `mouseMode` is the index of the chosen optMS (0 none, 1 middle, 2 Ctrl+middle, 3 right,
// 4 Ctrl+right), `keyMode` that of optWK (0 none, 1 the menu, 2 the whole-form fill);
// `program` is how sway starts formix. One line each, ended by a line break.
std::string swayBindings(int mouseMode, int keyMode, std::string_view program);

}  // namespace formix::platform
