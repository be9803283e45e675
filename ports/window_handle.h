// A top-level window as every port names it: a 32-bit value as on the original desktop; 0 means
// "no window".
#pragma once

#include <cstdint>

namespace formix::ports {

using WindowHandle = uint32_t;

}  // namespace formix::ports
