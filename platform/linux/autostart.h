// `formix --autostart on|off`: the user's own XDG autostart entry, which starts formix at login.
// Nothing starts formix at login until the user asks for it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace formix::platform {

// The folder of the user's autostart entries: `configHome`/autostart when $XDG_CONFIG_HOME is an
// absolute path, otherwise `home`/.config/autostart; nullopt when neither gives an absolute folder.
std::optional<std::filesystem::path> autostartFolder(const std::string& configHome, const std::string& home);

// The desktop entry that starts `program` (an absolute path) at login, or nullopt when the path
// cannot be written in a desktop entry (control characters, invalid UTF-8).
std::optional<std::string> autostartEntry(const std::filesystem::path& program);

// Writes (`on`) or removes formix.desktop in `folder`, the entry starting `program`. `ok` tells
// whether that succeeded (removing an entry that is not there succeeds); `message` says for a person
// what was done, or why not.
struct AutostartOutcome {
  bool ok = false;
  std::string message;
};
AutostartOutcome setAutostart(bool on, const std::filesystem::path& folder, const std::filesystem::path& program);

// Handles `--autostart on` and `--autostart off` for `program`, with $XDG_CONFIG_HOME and $HOME from
// the environment: one line on stdout for what was done, or one on stderr for why not. Returns the
// exit status (0 done, 1 failed, 2 a value other than on or off), or nullopt when `argv[1]` is not
// --autostart.
std::optional<int> runAutostartOption(int argc, char** argv, const std::filesystem::path& program);

}  // namespace formix::platform
