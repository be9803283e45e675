#include "hook/hook_library.h"

namespace formix::hook {

// One compiled copy for every in-process desktop.
template class FmxHookLibrary<HookEnvironment>;

}  // namespace formix::hook
