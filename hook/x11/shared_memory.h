// The library's three settings in POSIX shared memory, one record for all of the user's processes
// on one display.
#pragma once

#include <string>
#include <string_view>

#include "hook/shared_state.h"

namespace formix::hook::x11 {

// "/formix-hook-<uid>-<display>": one record per user and display, as there is one main program
// per user and display. Every name of one display gives the same record: the screen number is
// dropped and "unix:N" is ":N".
std::string sharedMemoryName(std::string_view display, unsigned uid);
// The name for this user and $DISPLAY.
std::string sharedMemoryName();

// Maps the record of that name, creating it owner-only (0600) and all zero if there is none.
// Null, with the reason said on stderr, when it cannot be used: no shared memory, or an object of
// that name that another user owns or that others can open.
SharedState* openSharedState(const std::string& name);

// The record, mapped on first use and kept for the life of the process. The object is created
// owner-only (0600) and all zero. When it cannot be used (no shared memory, or an object of that
// name that someone else owns or can reach), a record of this process alone stands in and the
// reason is said once on stderr: the modes then still work within this process.
SharedState& sharedState();

}  // namespace formix::hook::x11
