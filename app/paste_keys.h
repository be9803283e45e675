// The user's own paste keys: a section "PasteKeys" of the settings file names programs and the
// keys that paste in them, one per line, as in
//
//   [PasteKeys]
//   urxvt=Shift+Insert
//   st-256color=Ctrl+Shift+V
//
// A program is named as the desktop knows it (on X11 either string of WM_CLASS), without regard
// to case. The program itself never writes the section: a save keeps it as it stands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ini_file.h"
#include "ports/keys.h"

namespace formix::app {

inline constexpr std::string_view kPasteKeysSection = "PasteKeys";

struct ProgramPasteKeys {
  std::u16string program;
  std::vector<ports::Key> keys;  // pressed in order, released in reverse
};

// "Ctrl+Shift+V", "Shift+Insert", "ctrl + v": modifiers (Ctrl or Control, Shift, Alt), each at
// most once, then one key (a letter, a digit or Insert). nullopt for anything else.
std::optional<std::vector<ports::Key>> parsePasteKeys(std::string_view value);

// The section's entries whose value parses, in file order; the others are left out.
std::vector<ProgramPasteKeys> readPasteKeys(const IniFile& file);

// The keys of the first entry naming one of `names`, or nullptr.
const std::vector<ports::Key>* findPasteKeys(const std::vector<ProgramPasteKeys>& table,
                                          const std::vector<std::u16string>& names);

}  // namespace formix::app
