// A hook library whose SetHook is refused, for the start-up test of that case; with a fixed report
// key for the test of which reports formix accepts.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) int32_t SetHook() { return -1; }
__attribute__((visibility("default"))) int32_t RemoveHook() { return 0; }
__attribute__((visibility("default"))) void M_Mode0() {}
__attribute__((visibility("default"))) void M_Mode3() {}
__attribute__((visibility("default"))) void K_Mode0() {}
__attribute__((visibility("default"))) void K_Mode1() {}
__attribute__((visibility("default"))) void K_Mode2() {}
__attribute__((visibility("default"))) uint64_t FmxHookReportKey() { return 0x0123456789abcdefULL; }
}
