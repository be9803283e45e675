#include "app/paste_keys.h"

#include <algorithm>

#include "text/cp932.h"

namespace formix::app {
namespace {

using ports::Key;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<Key> modifier(std::string_view name) {
  if (sameName(name, "ctrl") || sameName(name, "control")) return Key::Control;
  if (sameName(name, "shift")) return Key::Shift;
  if (sameName(name, "alt")) return Key::Alt;
  return std::nullopt;
}

std::optional<Key> finalKey(std::string_view name) {
  if (name.size() == 1) return ports::keyOfCharacter(name[0]);
  if (sameName(name, "insert") || sameName(name, "ins")) return Key::Insert;
  return std::nullopt;
}

bool sameProgram(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

}  // namespace

std::optional<std::vector<Key>> parsePasteKeys(std::string_view value) {
  std::vector<Key> keys;
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

const std::vector<Key>* findPasteKeys(const std::vector<ProgramPasteKeys>& table,
                                          const std::vector<std::u16string>& names) {
  for (const ProgramPasteKeys& entry : table) {
    for (const std::u16string& name : names) {
      if (sameProgram(entry.program, name)) return &entry.keys;
    }
  }
  return nullptr;
}

}  // namespace formix::app
