// What the fill commands share: their options (--settings FILE, --today, --summary, one INPUT),
// the profile and date they fill with, the bytes they read, and the table their summary prints.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fill/html/field_table.h"
#include "fill/japanese_date.h"
#include "tools/cli.h"

namespace formix::tool {

struct FillInput {
  fill::Profile profile;
  fill::CivilDate today;
  bool summary = false;
  std::string bytes;   // the INPUT file's, or stdin's
  std::string source;  // "'FILE'" or "stdin", for messages
};

// Reads the options of `command` and what they name. nullopt after one error line on stderr;
// `status` then holds the exit status.
std::optional<FillInput> readFillInput(const Args& args, std::string_view command, int& status);

// Rows of cells printed as aligned columns; the last column is not padded. East Asian wide
// characters take two columns.
void printTable(const std::vector<std::array<std::u16string, 4>>& rows);

}  // namespace formix::tool
