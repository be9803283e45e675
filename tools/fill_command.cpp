// formix-tool fill --settings FILE [--today YYYY-MM-DD] [--summary] [INPUT]
//
// Fills a page's body HTML (UTF-8, from INPUT or stdin) with the profile of a settings file, read
// as the program restores it at start-up, and writes the filled HTML as UTF-8 to stdout. With
// --summary it writes a table of the collected fields and what each received instead.
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "app/profile_snapshot.h"
#include "app/settings_file.h"
#include "fill/form_filler.h"
#include "text/compare.h"
#include "text/utf.h"
#include "tools/cli.h"

namespace formix::tool {
namespace {

struct FillOptions {
  std::string settings;
  std::optional<std::string> today;
  std::optional<std::string> input;
  bool summary = false;
};

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

// The value of attribute `name` in a tag text ("" when absent), quoted or bare.
std::u16string attribute(std::u16string_view tag, std::u16string_view name) {
  const std::u16string folded = text::foldText(tag);
  const std::u16string needle = u" " + std::u16string(name) + u"=";
  size_t at = folded.find(needle);
  if (at == text::npos) return {};
  at += needle.size();
  const bool quoted = at < tag.size() && (tag[at] == u'"' || tag[at] == u'\'');
  const size_t start = quoted ? at + 1 : at;
  const size_t end = quoted ? tag.find(tag[at], start) : tag.find_first_of(u" \t\r\n>", start);
  return std::u16string(tag.substr(start, std::min(end, tag.size()) - start));
}

std::u16string fieldName(const fill::FieldRecord& record) {
  static constexpr std::u16string_view kElements[] = {u"input", u"radio", u"list", u"text area"};
  const int baseIndex = record.fieldCode / 100 - 1;
  std::u16string name = std::u16string(kElements[baseIndex >= 0 && baseIndex < 4 ? baseIndex : 0]) + u" " +
                        attribute(record.tagText, u"name");
  if (record.fieldCode / 100 == 2) name += u"=" + attribute(record.tagText, u"value");
  return name;
}

std::u16string kindName(int kind) {
  static constexpr std::u16string_view kNames[] = {
      u"-",          u"reading (hiragana)", u"reading (katakana)", u"name",      u"mail address",
      u"postal code", u"address",           u"birth date",         u"age",       u"occupation",
      u"telephone",  u"-",                  u"gender",             u"at sign",   u"password/answer"};
  return kind >= 0 && kind < 15 ? std::u16string(kNames[kind]) : u"-";
}

void printSummary(const fill::FillResult& result) {
  const auto& records = result.fields.records;
  size_t changed = 0;
  for (const auto& record : records) changed += record.changed ? 1 : 0;
  std::cout << "Collected " << records.size() << " fields; " << changed << " received a value.\n\n";
  std::vector<std::array<std::u16string, 4>> rows{{u"#", u"field", u"code (label)", u"value"}};
  for (size_t j = 0; j < records.size(); ++j) {
    const auto& record = records[j];
    rows.push_back({text::widen(std::to_string(j + 1)), fieldName(record),
                    text::widen(std::to_string(record.fieldCode)) + u" " + kindName(record.fieldCode % 100),
                    record.changed ? record.value : u"(left as it is)"});
  }
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

}  // namespace

int runFill(const Args& args) {
  FillOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--settings" || arg == "--today") {
      if (i + 1 >= args.size()) return fail(arg + " needs a value");
      (arg == "--settings" ? options.settings : options.today.emplace()) = args[++i];
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option '" + arg + "' for fill");
    } else if (options.input) {
      return fail("fill takes one INPUT file");
    } else {
      options.input = arg;
    }
  }
  if (options.settings.empty()) return fail("fill needs --settings FILE");

  fill::CivilDate today = localToday();
  if (options.today) {
    const auto date = fill::parseIsoDate(*options.today);
    if (!date) return fail("--today '" + *options.today + "' is not a date of the form YYYY-MM-DD");
    today = *date;
  }

  const app::LoadedSettings settings = app::loadSettings(options.settings);
  if (!settings.found) return fail("cannot read settings file '" + options.settings + "'");

  std::optional<std::string> bytes;
  if (options.input) {
    std::ifstream in(*options.input, std::ios::binary);
    if (in && !std::filesystem::is_directory(*options.input)) bytes = readAll(in);
  } else {
    bytes = readAll(std::cin);
  }
  if (!bytes) return fail("cannot read " + (options.input ? "'" + *options.input + "'" : std::string("stdin")));
  const auto html = text::fromUtf8(*bytes);
  if (!html) return fail((options.input ? "'" + *options.input + "'" : std::string("stdin")) + " is not valid UTF-8");

  const fill::FillResult result = fill::fillForm(*html, app::profileSnapshot(settings.record), today);
  if (options.summary) {
    printSummary(result);
  } else {
    std::cout << text::toUtf8(result.html);
  }
  std::cout.flush();
  return std::cout ? 0 : fail("cannot write the output");
}

}  // namespace formix::tool
