#include "platform/linux/autostart.h"

#include <cstdlib>
#include <iostream>
#include <string_view>
#include <system_error>

#include "app/atomic_file.h"
#include "text/utf.h"

namespace formix::platform {
namespace fs = std::filesystem;

namespace {

// A desktop entry's string value: a backslash is written doubled.
std::string escapeString(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// One argument of an Exec key: quoted when it holds a character the key reserves (inside the
// quotes ", `, $ and \ take a backslash), % doubled so that it is no field code, then escaped as
// every string value is.
std::string execArgument(std::string_view argument) {
  constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = argument.find_first_of(reserved) != std::string_view::npos;
  std::string out = quote ? "\"" : "";
  for (char c : argument) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return escapeString(out);
}

bool writableInEntry(std::string_view value) {
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7f) return false;
  }
  return text::fromUtf8(value).has_value();
}

}  // namespace

std::optional<fs::path> autostartFolder(const std::string& configHome, const std::string& home) {
  if (!configHome.empty() && configHome.front() == '/') return fs::path(configHome) / "autostart";
  if (!home.empty() && home.front() == '/') return fs::path(home) / ".config" / "autostart";
  return std::nullopt;
}

std::optional<std::string> autostartEntry(const fs::path& program) {
  const std::string path = program.string();
  if (!program.is_absolute() || !writableInEntry(path)) return std::nullopt;
  // TryExec: once the program is gone (the package removed), the session skips the entry.
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Formix\n"
         "Comment=Fill Japanese web forms from your profile and type stock phrases\n"
         "Comment[ja]=プロフィールからWebフォームを一括入力し、定型文を入力します\n"
         "Icon=formix\n"
         "TryExec=" + escapeString(path) + "\n"
         "Exec=" + execArgument(path) + "\n"
         "Terminal=false\n";
}

AutostartOutcome setAutostart(bool on, const fs::path& folder, const fs::path& program) {
  const fs::path file = folder / "formix.desktop";
  std::error_code error;
  if (!on) {
    if (fs::remove(file, error)) return {true, "formix no longer starts at login: removed " + file.string()};
    if (!error) return {true, "formix does not start at login: there is no " + file.string()};
    return {false, "cannot remove " + file.string() + ": " + error.message()};
  }
  const auto entry = autostartEntry(program);
  if (!entry) return {false, "the program's path cannot be written in a desktop entry: " + program.string()};
  fs::create_directories(folder, error);
  if (error) return {false, "cannot create " + folder.string() + ": " + error.message()};
  if (const auto why = app::replaceFile(file, *entry)) return {false, "cannot write " + file.string() + ": " + *why};
  return {true, "formix starts at login: wrote " + file.string()};
}

std::optional<int> runAutostartOption(int argc, char** argv, const fs::path& program) {
  if (argc < 2 || std::string_view(argv[1]) != "--autostart") return std::nullopt;
  const std::string_view value = argc == 3 ? argv[2] : "";
  if (argc > 3 || (value != "on" && value != "off")) {
    std::cerr << "formix: use --autostart on or --autostart off\n";
    return 2;
  }
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const auto folder = autostartFolder(configHome ? configHome : "", home ? home : "");
  if (!folder) {
    std::cerr << "formix: neither XDG_CONFIG_HOME nor HOME is an absolute folder\n";
    return 1;
  }
  const auto outcome = setAutostart(value == "on", *folder, program);
  (outcome.ok ? std::cout : std::cerr) << (outcome.ok ? "" : "formix: ") << outcome.message << '\n';
  return outcome.ok ? 0 : 1;
}

}  // namespace formix::platform
