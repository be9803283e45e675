// The paste key of a program known by its names (X11: the strings of WM_CLASS; Wayland: the
// app_id): terminal emulators that take Ctrl+Shift+V, those that have no clipboard paste key and
// paste with Shift+Insert (xterm, rxvt), and Ctrl+V for every other program.
#pragma once

#include <string>
#include <vector>

#include "ports/keys.h"

namespace formix::platform {

enum class PasteChord { CtrlV, CtrlShiftV, ShiftInsert };

// Names are compared without regard to ASCII case; the first name the table knows decides.
PasteChord pasteChordOf(const std::vector<std::string>& programNames);

// The keys of a paste key, pressed in this order and released in reverse.
std::vector<ports::Key> keysOf(PasteChord chord);

}  // namespace formix::platform
