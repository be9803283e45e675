// The process side of the Linux desktop: one instance per user and display, and the hook library
// loaded by name.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/desktop.h"

namespace formix::platform {

// The lock file that marks a running instance for this user on this display.
std::filesystem::path instanceLockPath(const std::string& runtimeDir, const std::string& display, unsigned uid);

class LinuxProcess : public Process {
 public:
  // `onEnd` leaves the event loop; the model stops running after endProcess.
  explicit LinuxProcess(std::function<void()> onEnd) : onEnd_(std::move(onEnd)) {}
  ~LinuxProcess() override;
  // Takes the instance lock, held until the process ends; true when another instance holds it.
  bool anotherInstanceRunning() override;
  void endProcess() override;
  bool ended() const { return ended_; }

 private:
  std::function<void()> onEnd_;
  int lock_ = -1;
  bool ended_ = false;
};

// Loads lib<name>.so from the program's folder first, then from the folder it is installed in,
// then wherever the dynamic loader finds it. The library stays loaded for the rest of the run.
class LinuxHookLoader : public HookLibraryLoader {
 public:
  LinuxHookLoader(std::filesystem::path programFolder, std::filesystem::path installFolder)
      : folder_(std::move(programFolder)), installed_(std::move(installFolder)) {}
  std::optional<HookExports> loadHookLibrary(std::string_view name) override;

 private:
  std::filesystem::path folder_, installed_;
};

}  // namespace formix::platform
