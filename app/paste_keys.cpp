#include "app/paste_keys.h"

#include <algorithm>

#include "text/cp932.h"

namespace formix::app {
namespace {

constexpr uint8_t kVkShift = 0x10, kVkControl = 0x11, kVkAlt = 0x12, kVkInsert = 0x2D;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<uint8_t> modifier(std::string_view name) {
  if (sameName(name, "ctrl") || sameName(name, "control")) return kVkControl;
  if (sameName(name, "shift")) return kVkShift;
  if (sameName(name, "alt")) return kVkAlt;
  return std::nullopt;
}

std::optional<uint8_t> finalKey(std::string_view name) {
  if (name.size() == 1) {
    const char c = lower(name[0]);
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c);
  }
  if (sameName(name, "insert") || sameName(name, "ins")) return kVkInsert;
  return std::nullopt;
}

bool sameProgram(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

}  // namespace

std::optional<std::vector<uint8_t>> parsePasteKeys(std::string_view value) {
  std::vector<uint8_t> keys;
  for (;;) {
    const size_t plus = value.find('+');
    const std::string_view part = trimmed(value.substr(0, plus));
    if (plus == std::string_view::npos) {
      const auto key = finalKey(part);
      if (!key) return std::nullopt;
      keys.push_back(*key);
      return keys;
    }
    const auto mod = modifier(part);
    if (!mod || std::find(keys.begin(), keys.end(), *mod) != keys.end()) return std::nullopt;
    keys.push_back(*mod);
    value.remove_prefix(plus + 1);
  }
}

std::vector<ProgramPasteKeys> readPasteKeys(const IniFile& file) {
  std::vector<ProgramPasteKeys> table;
  for (const IniFile::SectionView& section : file.sections()) {
    if (!sameName(section.name, kPasteKeysSection)) continue;
    for (const IniFile::Entry& entry : section.entries) {
      if (entry.key.empty()) continue;
      if (auto keys = parsePasteKeys(entry.value)) table.push_back({text::fromCp932(entry.key), std::move(*keys)});
    }
  }
  return table;
}

const std::vector<uint8_t>* findPasteKeys(const std::vector<ProgramPasteKeys>& table,
                                          const std::vector<std::u16string>& names) {
  for (const ProgramPasteKeys& entry : table) {
    for (const std::u16string& name : names) {
      if (sameProgram(entry.program, name)) return &entry.keys;
    }
  }
  return nullptr;
}

}  // namespace formix::app
