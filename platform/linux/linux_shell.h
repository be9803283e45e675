// Starting programs and opening documents without a shell: the command line is split into
// arguments and started with posix_spawn; documents and addresses go to xdg-open.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop.h"

namespace formix::platform {

// Starts argv[0] (searched on PATH) with these arguments; false when it could not be started.
bool spawnDetached(const std::vector<std::string>& argv);

class LinuxShell : public Shell {
 public:
  bool startProgram(std::u16string_view commandLine, int windowStyle) override;
  void shellOpen(WindowHandle owner, std::u16string_view target) override;
};

}  // namespace formix::platform
