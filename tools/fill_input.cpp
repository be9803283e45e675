#include "tools/fill_input.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/profile_snapshot.h"
#include "app/settings_file.h"
#include "text/utf.h"

namespace formix::tool {
namespace {

fill::CivilDate localToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::optional<std::string> readAll(std::istream& in) {
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Columns on a terminal: East Asian wide and full-width characters take two.
size_t displayWidth(std::u16string_view s) {
  size_t width = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size();
    if (pair) ++i;
    const bool wide = pair || (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                      (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
    width += wide ? 2 : 1;
  }
  return width;
}

std::u16string padded(std::u16string s, size_t width) {
  const size_t have = displayWidth(s);
  if (have < width) s.append(width - have, u' ');
  return s;
}

}  // namespace

std::optional<FillInput> readFillInput(const Args& args, std::string_view command, int& status) {
  std::string settingsPath;
  std::optional<std::string> today, input;
  FillInput out;
  auto error = [&](const std::string& message) {
    status = fail(message);
    return std::nullopt;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--settings" || arg == "--today") {
      if (i + 1 >= args.size()) return error(arg + " needs a value");
      (arg == "--settings" ? settingsPath : today.emplace()) = args[++i];
    } else if (arg == "--summary") {
      out.summary = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return error("unknown option '" + arg + "' for " + std::string(command));
    } else if (input) {
      return error(std::string(command) + " takes one INPUT file");
    } else {
      input = arg;
    }
  }
  if (settingsPath.empty()) return error(std::string(command) + " needs --settings FILE");

  out.today = localToday();
  if (today) {
    const auto date = fill::parseIsoDate(*today);
    if (!date) return error("--today '" + *today + "' is not a date of the form YYYY-MM-DD");
    out.today = *date;
  }
  const app::LoadedSettings settings = app::loadSettings(settingsPath);
  if (!settings.found) return error("cannot read settings file '" + settingsPath + "'");
  out.profile = app::profileSnapshot(settings.record);

  std::optional<std::string> bytes;
  if (input) {
    std::ifstream in(*input, std::ios::binary);
    if (in && !std::filesystem::is_directory(*input)) bytes = readAll(in);
  } else {
    bytes = readAll(std::cin);
  }
  out.source = input ? "'" + *input + "'" : std::string("stdin");
  if (!bytes) return error("cannot read " + out.source);
  out.bytes = std::move(*bytes);
  return out;
}

void printTable(const std::vector<std::array<std::u16string, 4>>& rows) {
  std::array<size_t, 3> widths{};
  for (const auto& row : rows) {
    for (size_t c = 0; c < widths.size(); ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
  }
  for (const auto& row : rows) {
    std::u16string line;
    for (size_t c = 0; c < widths.size(); ++c) line += padded(row[c], widths[c]) + u"  ";
    std::cout << text::toUtf8(line + row[3]) << '\n';
  }
}

}  // namespace formix::tool
