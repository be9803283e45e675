#include "platform/linux/linux_session.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "text/utf.h"

namespace formix::platform {

std::optional<std::u16string> LinuxSessionFacts::userName() const {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return std::nullopt;
  }
  return text::fromUtf8Lossy(found->pw_name);
}

std::filesystem::path executableFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  return exe.parent_path();
}

std::filesystem::path settingsFolder(const std::filesystem::path& programFolder, const std::string& configHome,
                                     const std::string& home) {
  // A portable copy: a folder of the user's own that the user may write to and nobody else may.
  // A shared folder that happens to be writable (/usr/local/bin for the staff group, a folder of
  // mode 0777) would mix users' profiles, and let another user plant the settings this user runs.
  struct stat owner{};
  if (stat(programFolder.c_str(), &owner) == 0 && S_ISDIR(owner.st_mode) && owner.st_uid == geteuid() &&
      (owner.st_mode & 022) == 0 && access(programFolder.c_str(), W_OK) == 0) {
    return programFolder;
  }
  // Only an absolute $XDG_CONFIG_HOME counts; a relative one is to be ignored.
  std::filesystem::path base = !configHome.empty() && configHome.front() == '/'
                                   ? std::filesystem::path(configHome)
                                   : std::filesystem::path(home) / ".config";
  std::error_code error;
  std::filesystem::create_directories(base, error);
  const auto folder = base / "formix";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return programFolder;
  // A folder made earlier (by hand, or under another umask) holds the profile too: owner-only.
  struct stat made{};
  if (lstat(folder.c_str(), &made) == 0 && S_ISDIR(made.st_mode) && made.st_uid == geteuid() &&
      (made.st_mode & 077) != 0) {
    chmod(folder.c_str(), made.st_mode & 0700);
  }
  return folder;
}

std::u16string LinuxSessionFacts::programFolder() const {
  if (folder_.empty()) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    folder_ = text::fromUtf8Lossy(
        settingsFolder(executableFolder(), config != nullptr ? config : "", home != nullptr ? home : "").string());
  }
  return folder_;
}

}  // namespace formix::platform
