// The settings file: one profile-string file per user beside the program, holding the window
// position, the trigger options, the profile and the 210 phrases.
//
// The file is read once at start into a SettingsRecord and written once at close from one. Values
// in section Strings are scrambled (see scramble.h); the others are plain decimal text.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ini_file.h"
#include "app/paste_keys.h"
#include "app/scramble.h"
#include "ports/session.h"

namespace formix::app {

inline constexpr int kProfileKeys = 19;  // A001..A016 text boxes, A017 prefecture, A018 occupation, A019 gender
inline constexpr int kPhraseSlots = 210;  // 14 pages of 15 phrases

// Every key of the file, numbered in the order the close sequence writes them.
namespace key {
inline constexpr int Left = 0;
inline constexpr int Top = 1;
inline constexpr int Page = 2;
inline constexpr int AddKey = 3;
inline constexpr int Mouse = 4;
inline constexpr int WinKey = 5;
inline constexpr int TaskTray = 6;
inline constexpr int Wait = 7;
inline constexpr int FirstProfile = 8;
inline constexpr int FirstPhrase = FirstProfile + kProfileKeys;
inline constexpr int Count = FirstPhrase + 2 * kPhraseSlots;  // 447

constexpr int profile(int i) { return FirstProfile + i; }         // A001 + i
constexpr int phraseTitle(int k) { return FirstPhrase + 2 * k; }    // M(2k+1)
constexpr int phraseContent(int k) { return FirstPhrase + 2 * k + 1; }  // M(2k+2)
}  // namespace key

enum class Section { Position, Settings, Strings };

struct SettingsKey {
  Section section;
  std::string name;  // "Left", "Page", "A001", "M420", ...
};

std::string_view sectionName(Section section);

// Whether values of the named section are stored scrambled (only "Strings", in any case).
bool scrambledSection(std::string_view section);

// The 447 keys in writing order.
const std::array<SettingsKey, key::Count>& settingsKeys();

// The key number of a section and key name (matched without regard to case), or -1.
int findSettingsKey(std::string_view section, std::string_view name);

// The whole content of the file: texts as the program sees them (Strings values unscrambled).
struct SettingsRecord {
  std::array<std::optional<std::u16string>, key::Count> values;  // nullopt: not in the file

  // The text of a key; "" when it is missing.
  const std::u16string& text(int k) const;
  // The leading number of a key's text (0 when missing).
  double number(int k) const;
  void set(int k, std::u16string value) { values[k] = std::move(value); }

  // Page index: the whole text of Page as a number, minus 1, rounded half to even; 0 (the first
  // page) when Page is missing or not a number. The caller checks the range.
  double pageIndex() const;
  // The typing wait in milliseconds: the leading number of Wait, with 0 (or a missing value)
  // read as 50.
  double waitMs() const;
};

// --- The helpers of the original module, with their documented names ---

// The logon user name, cut to 254 characters as the system's 255-character buffer holds it; ""
// when the system cannot tell.
std::u16string sGetUserName(const ports::SessionFacts& session);

// <folder><separator><user>.ini; the separator is not doubled when the folder ends with one.
std::u16string settingsFilePath(std::u16string_view folder, std::u16string_view userName, char16_t separator);

// One value read from `file`; "" when the file, section or key is missing. The value is read whole.
std::u16string sReadIni(std::string_view section, std::string_view key, const std::filesystem::path& file);

// One value written to `file` as a single all-or-nothing update. Returns false when the value
// cannot be represented or the file cannot be written; the old file then stays as it was.
bool WriteIni(std::string_view section, std::string_view key, std::u16string_view value,
              const std::filesystem::path& file);

// --- Whole-record reading and writing ---

// The record of an already parsed file. Strings values are unscrambled; the others are kept as stored.
SettingsRecord readSettings(const IniFile& file);

struct LoadedSettings {
  bool found = false;  // false: no file (or unreadable); every value takes its default
  SettingsRecord record;
  std::vector<ProgramPasteKeys> pasteKeys;  // the user's section of paste keys (paste_keys.h)
};
LoadedSettings loadSettings(const std::filesystem::path& file);

// One key write, as bytes ready for the file.
struct IniWrite {
  std::string section;
  std::string key;
  std::string value;
};

// The writes of the close sequence, in its order. Missing values are written empty, except
// Page, which the close sequence writes only when a page is selected. `error` receives the
// reason when a value cannot be written (a line break or NUL in it, or a character that code
// page 932 lacks in a value that is not scrambled); the result is then nullopt.
std::optional<std::vector<IniWrite>> closeSequenceWrites(const SettingsRecord& record, std::string* error);

// A plain (unscrambled) value as file bytes, or nullopt with `error` set when it cannot be written.
std::optional<std::string> plainValueBytes(std::u16string_view value, std::string* error);

// Applies `writes` to the existing file (if any) and replaces it in one step. On failure the
// previous file is intact and the reason is returned.
std::optional<std::string> applyWrites(const std::filesystem::path& file, const std::vector<IniWrite>& writes);

// The close sequence's save: closeSequenceWrites then applyWrites.
std::optional<std::string> saveSettings(const std::filesystem::path& file, const SettingsRecord& record);

}  // namespace formix::app
