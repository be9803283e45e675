// Starting programs and opening documents without a shell: the command line is split into
// arguments, its program is found by Formix itself and started with posix_spawn; documents and
// addresses go to xdg-open.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/desktop.h"

namespace formix::platform {

// A program to start: the file to run and the arguments it gets (argv[0] as written).
struct ProgramCommand {
  std::string file;
  std::vector<std::string> argv;
};

// The program a command line starts, or nullopt when the line is none that Formix runs:
// - a line that as a whole names an existing file or folder ("/home/taro/report 2024.pdf") is a
//   document, to be opened, unless it is a program file (below), which then runs without arguments;
// - the program is an absolute path, or a name without "/" found in an absolute folder of
//   `pathVariable`, never a path relative to the working directory, never a word starting with "-";
// - it is a regular file that the user may execute and that starts like an executable (ELF, or a
//   "#!" script): anything else would be handed to a shell by the system.
// Quotes group words and "~/" at the start of a word is `home`; nothing else is expanded.
std::optional<ProgramCommand> programCommand(std::string_view commandLine, const std::string& pathVariable,
                                             const std::string& home);

// Whether a file starts like a program the kernel runs itself (ELF, or "#!").
bool hasExecutableFormat(const std::string& file);

// Starts command.file with command.argv, detached, with default signal handling; no path search.
bool spawnDetached(const ProgramCommand& command);

class LinuxShell : public ports::Shell {
 public:
  bool startProgram(std::u16string_view commandLine, int windowStyle) override;
  // xdg-open with the target as its one argument; a target starting with "-" is given as "./..."
  // so that it is never read as an option.
  void shellOpen(ports::WindowHandle owner, std::u16string_view target) override;
};

}  // namespace formix::platform
