#include "app/settings_file.h"

#include <cstdio>

#include "app/atomic_file.h"
#include "text/cp932.h"
#include "text/number.h"
#include "text/utf.h"

namespace formix::app {
namespace {

std::string numberedKey(char letter, int number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%c%03d", letter, number);
  return buf;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

bool scrambled(int k) { return settingsKeys()[k].section == Section::Strings; }

}  // namespace

std::string_view sectionName(Section section) {
  switch (section) {
    case Section::Position: return "Position";
    case Section::Settings: return "Settings";
    case Section::Strings: return "Strings";
  }
  return "";
}

bool scrambledSection(std::string_view section) { return sameName(section, sectionName(Section::Strings)); }

const std::array<SettingsKey, key::Count>& settingsKeys() {
  static const auto keys = [] {
    std::array<SettingsKey, key::Count> t;
    t[key::Left] = {Section::Position, "Left"};
    t[key::Top] = {Section::Position, "Top"};
    t[key::Page] = {Section::Settings, "Page"};
    t[key::AddKey] = {Section::Settings, "Add_Key"};
    t[key::Mouse] = {Section::Settings, "Mouse"};
    t[key::WinKey] = {Section::Settings, "Win_Key"};
    t[key::TaskTray] = {Section::Settings, "Task_Tray"};
    t[key::Wait] = {Section::Settings, "Wait"};
    for (int i = 0; i < kProfileKeys; ++i) t[key::profile(i)] = {Section::Strings, numberedKey('A', i + 1)};
    for (int k = 0; k < 2 * kPhraseSlots; ++k) t[key::FirstPhrase + k] = {Section::Strings, numberedKey('M', k + 1)};
    return t;
  }();
  return keys;
}

int findSettingsKey(std::string_view section, std::string_view name) {
  const auto& keys = settingsKeys();
  for (int k = 0; k < key::Count; ++k) {
    if (sameName(sectionName(keys[k].section), section) && sameName(keys[k].name, name)) return k;
  }
  return -1;
}

const std::u16string& SettingsRecord::text(int k) const {
  static const std::u16string empty;
  return values[k] ? *values[k] : empty;
}

double SettingsRecord::number(int k) const { return text::leadingNumber(text(k)); }

double SettingsRecord::pageIndex() const {
  const auto page = text::wholeNumber(text(key::Page));
  return page ? text::roundHalfEven(*page - 1) : 0.0;
}

double SettingsRecord::waitMs() const {
  const double wait = number(key::Wait);
  return wait == 0 ? 50.0 : wait;
}

std::u16string sGetUserName(const ports::SessionFacts& session) {
  auto name = session.userName();
  if (!name) return u"";
  return name->substr(0, 254);
}

std::u16string settingsFilePath(std::u16string_view folder, std::u16string_view userName, char16_t separator) {
  std::u16string path(folder);
  if (path.empty() || path.back() != separator) path.push_back(separator);
  return path + std::u16string(userName) + u".ini";
}

std::u16string sReadIni(std::string_view section, std::string_view key, const std::filesystem::path& file) {
  const auto bytes = readWholeFile(file);
  if (!bytes) return u"";
  return text::fromCp932(IniFile::parse(*bytes).get(section, key).value_or(""));
}

bool WriteIni(std::string_view section, std::string_view key, std::u16string_view value,
              const std::filesystem::path& file) {
  std::string error;
  auto bytes = plainValueBytes(value, &error);
  return bytes && !applyWrites(file, {{std::string(section), std::string(key), *bytes}});
}

SettingsRecord readSettings(const IniFile& file) {
  SettingsRecord record;
  const auto& keys = settingsKeys();
  for (int k = 0; k < key::Count; ++k) {
    auto value = file.get(sectionName(keys[k].section), keys[k].name);
    if (!value) continue;
    std::u16string stored = text::fromCp932(*value);
    record.values[k] = scrambled(k) ? sDecodeText(stored) : std::move(stored);
  }
  return record;
}

LoadedSettings loadSettings(const std::filesystem::path& file) {
  LoadedSettings loaded;
  if (auto bytes = readWholeFile(file)) {
    loaded.found = true;
    const IniFile ini = IniFile::parse(*bytes);
    loaded.record = readSettings(ini);
    loaded.pasteKeys = readPasteKeys(ini);
  }
  return loaded;
}

std::optional<std::string> plainValueBytes(std::u16string_view value, std::string* error) {
  if (value.find_first_of(u"\r\n") != std::u16string_view::npos || value.find(u'\0') != std::u16string_view::npos) {
    if (error) *error = "a line break or NUL cannot stand in a settings value";
    return std::nullopt;
  }
  auto bytes = text::toCp932(value);
  if (!bytes && error) *error = "a character of the value has no form in code page 932";
  return bytes;
}

std::optional<std::vector<IniWrite>> closeSequenceWrites(const SettingsRecord& record, std::string* error) {
  std::vector<IniWrite> writes;
  writes.reserve(key::Count);
  const auto& keys = settingsKeys();
  for (int k = 0; k < key::Count; ++k) {
    if (k == key::Page && !record.values[k]) continue;  // no page selected: Page is not written
    std::string bytes;
    if (scrambled(k)) {
      bytes = text::toUtf8(sEncodeText(record.text(k)));  // hexadecimal digits only
    } else if (auto plain = plainValueBytes(record.text(k), error)) {
      bytes = std::move(*plain);
    } else {
      if (error) *error = std::string(sectionName(keys[k].section)) + "/" + keys[k].name + ": " + *error;
      return std::nullopt;
    }
    writes.push_back({std::string(sectionName(keys[k].section)), keys[k].name, std::move(bytes)});
  }
  return writes;
}

std::optional<std::string> applyWrites(const std::filesystem::path& file, const std::vector<IniWrite>& writes) {
  auto existing = readWholeFile(file);
  std::error_code ignored;
  if (!existing && std::filesystem::exists(file, ignored)) return std::string("cannot read the existing file");
  IniFile ini = IniFile::parse(existing.value_or(""));
  for (const auto& w : writes) ini.set(w.section, w.key, w.value);
  return replaceFile(file, ini.serialize());
}

std::optional<std::string> saveSettings(const std::filesystem::path& file, const SettingsRecord& record) {
  std::string error;
  auto writes = closeSequenceWrites(record, &error);
  if (!writes) return error;
  return applyWrites(file, *writes);
}

}  // namespace formix::app
