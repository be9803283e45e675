#include "platform/linux/linux_session.h"

#include <pwd.h>
#include <unistd.h>

#include <filesystem>
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

std::u16string LinuxSessionFacts::programFolder() const {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return u".";
  return text::fromUtf8Lossy(exe.parent_path().string());
}

}  // namespace formix::platform
