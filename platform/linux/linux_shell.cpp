#include "platform/linux/linux_shell.h"

#include <spawn.h>
#include <csignal>

#include <QProcess>
#include <QString>

extern char** environ;

namespace formix::platform {

bool spawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty() || argv.front().empty()) return false;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
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
  const int error = posix_spawnp(&pid, args.front(), nullptr, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return error == 0;
}

bool LinuxShell::startProgram(std::u16string_view commandLine, int /*windowStyle*/) {
  // Quotes group words as a shell would, but nothing is expanded and no shell runs.
  const QStringList words = QProcess::splitCommand(
      QString::fromUtf16(commandLine.data(), static_cast<qsizetype>(commandLine.size())));
  if (words.isEmpty()) return false;
  std::vector<std::string> argv;
  for (const QString& w : words) argv.push_back(w.toStdString());
  return spawnDetached(argv);
}

void LinuxShell::shellOpen(WindowHandle /*owner*/, std::u16string_view target) {
  spawnDetached({"xdg-open", QString::fromUtf16(target.data(), static_cast<qsizetype>(target.size())).toStdString()});
}

}  // namespace formix::platform
