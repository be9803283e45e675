// Settings-file lines that put phrases on pages, for the phrase tests.
#pragma once

#include <string>

#include "tests/session_support.h"

namespace formix::testing {

// The Strings lines of the phrase on `page` (1..14), `row` (0..14).
inline std::string phraseLines(int page, int row, std::u16string_view title, std::u16string_view content) {
  const int slot = (page - 1) * 15 + row;
  const auto key = [](int n) { return "M" + std::string(n < 100 ? n < 10 ? "00" : "0" : "") + std::to_string(n); };
  return key(2 * slot + 1) + "=" + scrambled(title) + "\r\n" + key(2 * slot + 2) + "=" + scrambled(content) + "\r\n";
}

}  // namespace formix::testing
