// The trigger codes the hook library posts to the main window, and how a left-button-up on the
// window's background is read back as one of them.
#pragma once

namespace formix::triggers {

inline constexpr int kMenuCode = 1000;  // every mouse trigger; the Windows key in key mode 1
inline constexpr int kFillCode = 2000;  // the Windows key in key mode 2

enum class Trigger { None, PopupMenu, WholeFormFill };

// The hook reports code N as a left-button-up at client pixel (N, 0); the window receives it in
// twips. Only y = 0 and an x of exactly N * twipsPerPixel (compared in single precision, as the
// window's coordinates are) is a trigger; every other release is the user's own.
Trigger triggerOf(double x, double y, double twipsPerPixel);

}  // namespace formix::triggers
