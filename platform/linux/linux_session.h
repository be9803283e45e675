// Session facts of a Linux desktop: the user from the password database, and the folder of the
// settings file: the program's own folder when it is the user's and no one else may write to it (a
// portable copy), else $XDG_CONFIG_HOME/formix (owner-only). A program installed under /usr is never
// a portable copy.
#pragma once

#include <filesystem>
#include <string>

#include "ports/session.h"

namespace formix::platform {

// The folder that holds the running executable.
std::filesystem::path executableFolder();

// Where the settings file lives for a program in `programFolder`: that folder when it is the
// user's own, writable and not writable by group or others, otherwise the per-user configuration
// folder (made 0700 if missing, narrowed to the owner if it exists). `configHome` is
// $XDG_CONFIG_HOME, or empty to use `home`/.config.
std::filesystem::path settingsFolder(const std::filesystem::path& programFolder, const std::string& configHome,
                                     const std::string& home);

class LinuxSessionFacts : public ports::SessionFacts {
 public:
  std::optional<std::u16string> userName() const override;
  // The settings folder (see settingsFolder), chosen once per run.
  std::u16string programFolder() const override;
  char16_t pathSeparator() const override { return u'/'; }

 private:
  mutable std::u16string folder_;
};

}  // namespace formix::platform
