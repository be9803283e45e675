// The hook procedure runs for every message any window thread retrieves. For the messages it does
// not watch it should cost little more than handing the message on: compare it with a procedure
// that does nothing else. Both are called through a pointer, as the system calls a hook.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "hook/hook_library.h"

namespace {

using namespace formix::hook;

// Calls resolved at compile time, as in the Windows library; handing on is an opaque call.
struct BenchSystem {
  std::uint32_t& messageNumber(std::intptr_t lParam) { return *reinterpret_cast<std::uint32_t*>(lParam); }
  WindowRef findWindow(const char*) { return 0; }
  std::int16_t asyncKeyState(int) { return 0; }
  WindowRef captureWindow() { return 0; }
  std::int32_t windowLong(WindowRef, int) { return 0; }
  void setForegroundWindow(WindowRef) {}
  void postMessage(WindowRef, std::uint32_t, std::uintptr_t, std::intptr_t) {}
  HookHandle setWindowsHook() { return 1; }
  bool unhookWindowsHook(HookHandle) { return true; }
  [[gnu::noinline]] std::intptr_t callNextHook(HookHandle hook, int code, std::uintptr_t wParam, std::intptr_t) {
    benchmark::ClobberMemory();
    return hook + code + static_cast<std::intptr_t>(wParam);
  }
};

BenchSystem gSystem;
SharedState gShared{0x5A0021, 3, 2};  // hook installed, right click and Windows key both triggers

std::intptr_t passThrough(int code, std::uintptr_t wParam, std::intptr_t lParam) {
  return gSystem.callNextHook(load(gShared.hookHandle), code, wParam, lParam);
}

std::intptr_t fmxHook(int code, std::uintptr_t wParam, std::intptr_t lParam) {
  return hookProcedure(gSystem, gShared, code, wParam, lParam);
}

// Common messages of a busy desktop, none of them watched: move, paint, timer, key down, set cursor.
constexpr std::array<std::uint32_t, 5> kTraffic{0x200, 0x0F, 0x113, 0x100, 0x20};

void runProcedure(benchmark::State& state, std::intptr_t (*procedure)(int, std::uintptr_t, std::intptr_t)) {
  benchmark::DoNotOptimize(procedure);
  std::array<std::uint32_t, kTraffic.size()> records = kTraffic;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(procedure(0, 1, reinterpret_cast<std::intptr_t>(&records[i])));
    i = i + 1 == records.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_HookPassThrough(benchmark::State& state) { runProcedure(state, passThrough); }
void BM_HookUnwatched(benchmark::State& state) { runProcedure(state, fmxHook); }

BENCHMARK(BM_HookPassThrough);
BENCHMARK(BM_HookUnwatched);

}  // namespace
