// The trigger codes the hook library reports to the main window (the x of a posted
// left-button-up, or the code of an X11 report): the hook (hook/) sends them, the main program
// reads them back (trigger_codes.h). A header alone, so the hook libraries build with it.
#pragma once

#include <cstdint>

namespace formix::triggers {

inline constexpr std::int32_t kMenuCode = 1000;  // every mouse trigger; the Windows key in key mode 1
inline constexpr std::int32_t kFillCode = 2000;  // the Windows key in key mode 2

}  // namespace formix::triggers
