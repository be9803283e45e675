// libfmxhook.so: the exports, over one watch of the display per process.
//
// The modes live in shared memory (shared_memory.h), so a mode export works from any of the
// user's processes; the process that called SetHook holds the grabs and follows the modes.
#include <unistd.h>

#include <memory>
#include <mutex>

#include "hook/hook_library.h"
#include "hook/x11/display_watcher.h"
#include "hook/x11/fmxhook.h"
#include "hook/x11/shared_memory.h"

#define FMX_EXPORT extern "C" __attribute__((visibility("default")))

namespace formix::hook::x11 {
namespace {

class HookProcess final : public WatchControl {
 public:
  ~HookProcess() override {
    // At exit or unload the thread ends cleanly. A forked child has the object but not the
    // thread, and must not wait for it.
    if (getpid() != owner_) (void)watcher_.release();
  }

  HookHandle startWatching() noexcept override {
    if (watcher_ == nullptr) watcher_ = DisplayWatcher::open(sharedState());
    if (watcher_ == nullptr) return 0;
    owner_ = getpid();
    return static_cast<HookHandle>(owner_);  // the process that holds the grabs
  }
  bool stopWatching() noexcept override {
    if (watcher_ == nullptr) return false;
    watcher_.reset();
    return true;
  }

  std::mutex mutex;
  DisplayWatcher* watcher() const noexcept { return watcher_.get(); }

 private:
  std::unique_ptr<DisplayWatcher> watcher_;
  pid_t owner_ = 0;
};

HookProcess& process() {
  static HookProcess instance;
  return instance;
}

void modesChanged() noexcept {
  HookProcess& p = process();
  const std::lock_guard lock(p.mutex);
  if (DisplayWatcher* w = p.watcher()) w->modesChanged();
}

void setMouse(std::int32_t mode) noexcept {
  setMouseMode(sharedState(), mode);
  modesChanged();
}

void setKey(std::int32_t mode) noexcept {
  setKeyMode(sharedState(), mode);
  modesChanged();
}

}  // namespace
}  // namespace formix::hook::x11

using formix::hook::x11::process;
using formix::hook::x11::sharedState;

FMX_EXPORT std::intptr_t FmxHook(int code, std::uintptr_t wParam, std::intptr_t lParam) {
  if (code >= 0 && lParam == 0) return 0;  // no record to judge
  auto& p = process();
  const std::lock_guard lock(p.mutex);
  if (auto* w = p.watcher()) return w->judge(code, wParam, lParam);
  const auto* record = code >= 0 ? reinterpret_cast<const FmxHookMessage*>(lParam) : nullptr;
  formix::hook::x11::X11Environment env(nullptr, record);
  return formix::hook::hookProcedure(env, sharedState(), code, wParam, lParam);
}

FMX_EXPORT std::int32_t SetHook() {
  auto& p = process();
  const std::lock_guard lock(p.mutex);
  formix::hook::x11::X11Environment env(p);
  return formix::hook::setHook(env, sharedState());
}

FMX_EXPORT std::int32_t RemoveHook() {
  auto& p = process();
  const std::lock_guard lock(p.mutex);
  formix::hook::x11::X11Environment env(p);
  return formix::hook::removeHook(env, sharedState());
}

FMX_EXPORT void M_Mode0() { formix::hook::x11::setMouse(0); }
FMX_EXPORT void M_Mode1() { formix::hook::x11::setMouse(1); }
FMX_EXPORT void M_Mode2() { formix::hook::x11::setMouse(2); }
FMX_EXPORT void M_Mode3() { formix::hook::x11::setMouse(3); }
FMX_EXPORT void M_Mode4() { formix::hook::x11::setMouse(4); }
FMX_EXPORT void K_Mode0() { formix::hook::x11::setKey(0); }
FMX_EXPORT void K_Mode1() { formix::hook::x11::setKey(1); }
FMX_EXPORT void K_Mode2() { formix::hook::x11::setKey(2); }

FMX_EXPORT std::uint64_t FmxHookReportKey() { return formix::hook::x11::reportKey(); }
