// The process side of the Linux desktop: one instance per user and display, and the hook library
// loaded by name.
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "ports/desktop.h"

namespace formix::platform {

// The name of the X selection that the running instance of this user owns on its display.
std::string instanceSelectionName(unsigned uid);

// What a person is told when another program holds the lock, before its program file and id.
inline constexpr std::u16string_view kLockHeldByAnotherProgram =
    u"別のプログラムが Formix のロックを保持しているため、Formix を起動できません。";

// Whether two program files are the same program: one file, or a copy of it byte for byte (the
// portable copy of a build beside the build itself).
bool sameProgram(const std::filesystem::path& a, const std::filesystem::path& b);

class LinuxProcess : public ports::Process {
 public:
  // `onEnd` leaves the event loop; the model stops running after endProcess.
  explicit LinuxProcess(std::function<void()> onEnd) : onEnd_(std::move(onEnd)) {}
  ~LinuxProcess() override;
  // Takes the instance lock, held until the process ends; true when another instance holds it.
  // The lock is an X selection owned for the run, so it is the X server that tells: every name
  // of one display (":0", "unix:0", ":0.0") is one lock, and the server frees it when the
  // owner's connection closes, however the process ended.
  //
  // Any client of the display can own the selection. When the server names the holder's process
  // (X-Resource) and that process runs another program than this one, the start is refused out
  // loud: one line on stderr, `warn` with kLockHeldByAnotherProgram, and exitStatus() 1. A
  // formix that holds it ends this start silently, as does a holder the server cannot name.
  bool anotherInstanceRunning() override;
  void endProcess() override;
  bool ended() const { return ended_; }
  // What main returns once the process ended at start-up.
  int exitStatus() const { return lockHeldByAnotherProgram_ ? 1 : 0; }

  // Shows a warning to the person at the display (a message box); may be empty.
  std::function<void(std::u16string_view text)> warn;

 private:
  void refuseForAnotherProgram(pid_t holder);

  std::function<void()> onEnd_;
  xcb_connection_t* lock_ = nullptr;
  bool ended_ = false;
  bool lockHeldByAnotherProgram_ = false;
};

// Loads lib<name>.so from the program's folder first, then from the folder it is installed in,
// then wherever the dynamic loader finds it. The library stays loaded for the rest of the run.
class LinuxHookLoader : public ports::HookLibraryLoader {
 public:
  LinuxHookLoader(std::filesystem::path programFolder, std::filesystem::path installFolder)
      : folder_(std::move(programFolder)), installed_(std::move(installFolder)) {}
  std::optional<ports::HookExports> loadHookLibrary(std::string_view name) override;

  // Whether a report with this key and trigger code can come from the loaded library: the key is
  // the library's own (FmxHookReportKey), and the modes this program set last can produce the code.
  bool acceptsReport(std::uint64_t key, std::int32_t code) const;

 private:
  std::filesystem::path folder_, installed_;
  std::optional<std::uint64_t> reportKey_;
  std::int32_t mouseMode_ = 0, keyMode_ = 0;
};

}  // namespace formix::platform
