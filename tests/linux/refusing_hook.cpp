// A hook library whose SetHook is refused, for the start-up test of that case.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) int32_t SetHook() { return -1; }
__attribute__((visibility("default"))) int32_t RemoveHook() { return 0; }
__attribute__((visibility("default"))) void M_Mode0() {}
__attribute__((visibility("default"))) void K_Mode0() {}
}
