// What the main program makes of a trigger code the hook library reports (codes.h): read
// straight from a report (X11), or back from a left-button-up on the window's background (Windows).
#pragma once

#include <cstdint>

namespace formix::triggers {

enum class Trigger { None, PopupMenu, WholeFormFill };

// The trigger of a code as the hook reports it; None for any other number.
Trigger triggerOfCode(std::int32_t code);

// The hook reports code N as a left-button-up at client pixel (N, 0); the window receives it in
// twips. Only y = 0 and an x of exactly N * twipsPerPixel (compared in single precision, as the
// window's coordinates are) is a trigger; every other release is the user's own.
Trigger triggerOf(double x, double y, double twipsPerPixel);

}  // namespace formix::triggers
