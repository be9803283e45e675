// The library's three settings, in one 12-byte record that every process using the library sees.
//
// The Windows library keeps this record in a data section shared across processes, so a mode that
// the main program stores is what the hook procedure reads in every other process. Only the main
// program writes it, one aligned 32-bit store at a time; readers on any thread see the old or the
// new value of each field, with no ordering between fields. The accessors below make each access
// a relaxed atomic one, which compiles to a plain load or store.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace formix::hook {

// A system hook handle as stored in the record: 32 bits. Window-manager handles carry only 32
// significant bits on 64-bit Windows too, so the value is truncated on the way in and
// sign-extended on the way out.
using HookHandle = std::int32_t;

struct SharedState {
  HookHandle hookHandle = 0;    // what installing the system hook returned (0: none)
  std::int32_t mouseMode = 0;   // 0 to 4: which click is a trigger
  std::int32_t keyMode = 0;     // 0 to 2: what the Windows key reports
};

static_assert(sizeof(SharedState) == 12);
static_assert(offsetof(SharedState, mouseMode) == 4 && offsetof(SharedState, keyMode) == 8);
static_assert(std::atomic_ref<std::int32_t>::required_alignment <= alignof(SharedState));

inline std::int32_t load(std::int32_t& field) {
  return std::atomic_ref<std::int32_t>(field).load(std::memory_order_relaxed);
}

inline void store(std::int32_t& field, std::int32_t value) {
  std::atomic_ref<std::int32_t>(field).store(value, std::memory_order_relaxed);
}

}  // namespace formix::hook
