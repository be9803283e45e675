#include "platform/linux/linux_process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace formix::platform {

std::filesystem::path instanceLockPath(const std::string& runtimeDir, const std::string& display, unsigned uid) {
  // ":0" and ":0.0" are the same display: the screen number is dropped. Only safe characters
  // reach the file name.
  std::string displayName = display;
  if (const size_t colon = displayName.rfind(':'); colon != std::string::npos) {
    if (const size_t dot = displayName.find('.', colon); dot != std::string::npos) displayName.erase(dot);
  }
  std::string safe;
  for (char c : displayName) safe.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_');
  const std::string name = "formix-" + std::to_string(uid) + "-" + safe + ".lock";
  if (!runtimeDir.empty() && runtimeDir.front() == '/') return std::filesystem::path(runtimeDir) / name;
  return std::filesystem::path("/tmp") / name;
}

LinuxProcess::~LinuxProcess() {
  if (lock_ >= 0) close(lock_);
}

bool LinuxProcess::anotherInstanceRunning() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* display = std::getenv("DISPLAY");
  const auto path = instanceLockPath(runtime != nullptr ? runtime : "", display != nullptr ? display : "", getuid());
  lock_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_ < 0) return false;  // no lock to be had: run rather than refuse to start
  // A file someone else made (in a shared /tmp) says nothing about this user's instances.
  struct stat file{};
  if (fstat(lock_, &file) != 0 || file.st_uid != getuid()) return false;
  return flock(lock_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

void LinuxProcess::endProcess() {
  ended_ = true;
  if (onEnd_) onEnd_();
}

std::optional<HookExports> LinuxHookLoader::loadHookLibrary(std::string_view name) {
  const std::string file = "lib" + std::string(name) + ".so";
  void* library = nullptr;
  for (const auto& candidate : {folder_ / file, installed_ / file}) {
    if (!candidate.parent_path().empty() && (library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) != nullptr) {
      break;
    }
  }
  if (library == nullptr) library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  const auto int32Export = [&](const char* symbol) -> std::function<int32_t()> {
    auto* fn = reinterpret_cast<int32_t (*)()>(dlsym(library, symbol));
    return fn != nullptr ? std::function<int32_t()>(fn) : nullptr;
  };
  const auto voidExport = [&](const std::string& symbol) -> std::function<void()> {
    auto* fn = reinterpret_cast<void (*)()>(dlsym(library, symbol.c_str()));
    return fn != nullptr ? std::function<void()>(fn) : nullptr;
  };
  HookExports exports;
  exports.SetHook = int32Export("SetHook");
  exports.RemoveHook = int32Export("RemoveHook");
  for (int i = 0; i < 5; ++i) exports.M_Mode[i] = voidExport("M_Mode" + std::to_string(i));
  for (int i = 0; i < 3; ++i) exports.K_Mode[i] = voidExport("K_Mode" + std::to_string(i));
  return exports;
}

}  // namespace formix::platform
