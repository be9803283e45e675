#include "platform/linux/linux_shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <QProcess>
#include <QString>

extern char** environ;

namespace formix::platform {
namespace {

// "~" and "~/..." at the start of a word name the home folder; nothing else is expanded.
std::string expandHome(const std::string& word, const std::string& home) {
  if (home.empty() || word.empty() || word.front() != '~' || (word.size() > 1 && word[1] != '/')) return word;
  return home + word.substr(1);
}

bool isExecutableFile(const std::string& file) {
  struct stat info{};
  return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0;
}

// The file a program word names: an absolute path, or a plain name looked up in the absolute
// folders of PATH (an empty or relative entry would mean the working directory).
std::optional<std::string> findProgram(const std::string& word, const std::string& pathVariable) {
  if (word.empty() || word.front() == '-') return std::nullopt;
  if (word.find('/') != std::string::npos) {
    if (word.front() != '/' || !isExecutableFile(word)) return std::nullopt;
    return word;
  }
  for (size_t start = 0; start <= pathVariable.size();) {
    size_t end = pathVariable.find(':', start);
    if (end == std::string::npos) end = pathVariable.size();
    const std::string folder = pathVariable.substr(start, end - start);
    if (!folder.empty() && folder.front() == '/') {
      const std::string candidate = folder + "/" + word;
      if (isExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace

bool hasExecutableFormat(const std::string& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[4] = {};
  const ssize_t n = read(fd, head, sizeof head);
  close(fd);
  if (n >= 4 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return true;
  return n >= 2 && head[0] == '#' && head[1] == '!';
}

std::optional<ProgramCommand> programCommand(std::string_view commandLine, const std::string& pathVariable,
                                             const std::string& home) {
  // A line that names an existing file or folder as a whole is a document, blanks and all; only
  // a program file by itself is run, as the shell's "open" runs a program on Windows.
  const std::string whole = expandHome(std::string(commandLine), home);
  if (struct stat info{}; !whole.empty() && whole.front() == '/' && stat(whole.c_str(), &info) == 0) {
    if (!isExecutableFile(whole) || !hasExecutableFormat(whole)) return std::nullopt;
    return ProgramCommand{whole, {whole}};
  }
  // Quotes group words as a shell would, but nothing is expanded and no shell runs.
  const QStringList words = QProcess::splitCommand(
      QString::fromUtf8(commandLine.data(), static_cast<qsizetype>(commandLine.size())));
  if (words.isEmpty()) return std::nullopt;
  ProgramCommand command;
  for (const QString& w : words) command.argv.push_back(expandHome(w.toStdString(), home));
  const auto file = findProgram(command.argv.front(), pathVariable);
  if (!file || !hasExecutableFormat(*file)) return std::nullopt;
  command.file = *file;
  return command;
}

bool spawnDetached(const ProgramCommand& command) {
  if (command.file.empty() || command.argv.empty()) return false;
  std::vector<char*> args;
  for (const auto& a : command.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // The child starts with default signal handling whatever this process changed.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attributes, &all);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
  pid_t pid = 0;
  // posix_spawn, not posix_spawnp: the file was found and checked above, and posix_spawnp would
  // hand a file the kernel refuses (ENOEXEC) to /bin/sh.
  const int error = posix_spawn(&pid, command.file.c_str(), nullptr, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return error == 0;
}

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

bool LinuxShell::startProgram(std::u16string_view commandLine, int /*windowStyle*/) {
  const QString line = QString::fromUtf16(commandLine.data(), static_cast<qsizetype>(commandLine.size()));
  const auto command = programCommand(line.toStdString(), environment("PATH"), environment("HOME"));
  return command && spawnDetached(*command);
}

void LinuxShell::shellOpen(ports::WindowHandle /*owner*/, std::u16string_view target) {
  std::string text = expandHome(
      QString::fromUtf16(target.data(), static_cast<qsizetype>(target.size())).toStdString(), environment("HOME"));
  if (text.empty()) return;
  if (text.front() == '-') text = "./" + text;  // xdg-open takes no "--": never an option
  auto opener = programCommand("xdg-open", environment("PATH"), "");
  if (!opener) return;
  opener->argv.push_back(text);
  spawnDetached(*opener);
}

}  // namespace formix::platform
