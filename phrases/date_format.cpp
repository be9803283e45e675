// Date-and-time patterns: the tokens of the platform's date formatting that phrases use.
#include <string>

#include "phrases/phrase_pages.h"

namespace formix::phrases {
namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// `value` in decimal with at least `digits` digits (zeros in front); a negative value as it is.
void appendNumber(std::u16string& out, long long value, size_t digits) {
  const std::string d = std::to_string(value);
  if (value >= 0 && d.size() < digits) out.append(digits - d.size(), u'0');
  out.append(d.begin(), d.end());
}

}  // namespace

DateTime dateOnly(const DateTime& t) { return {t.year, t.month, t.day, 0, 0, 0}; }

DateTime timeOnly(const DateTime& t) { return {1899, 12, 30, t.hour, t.minute, t.second}; }

std::u16string FormatDateTime(std::u16string_view pattern, const DateTime& t) {
  std::u16string out;
  bool afterHour = false;  // the last token was h or hh: m and mm then mean minutes
  size_t i = 0;
  while (i < pattern.size()) {
    const char16_t letter = lower(pattern[i]);
    size_t run = 1;
    while (run < 4 && i + run < pattern.size() && lower(pattern[i + run]) == letter) ++run;
    const bool two = run >= 2;
    if (letter == u'y') {
      if (run >= 4) {
        appendNumber(out, t.year, 4);
      } else if (two) {
        appendNumber(out, ((t.year % 100) + 100) % 100, 2);
      } else {
        out.push_back(pattern[i++]);  // a lone "y" is no token
        continue;
      }
      afterHour = false;
      i += run >= 4 ? 4 : 2;
      continue;
    }
    long long value = 0;
    switch (letter) {
      case u'm': value = afterHour ? t.minute : t.month; break;
      case u'd': value = t.day; break;
      case u'h': value = t.hour; break;
      case u'n': value = t.minute; break;
      case u's': value = t.second; break;
      default:
        out.push_back(pattern[i++]);
        continue;
    }
    appendNumber(out, value, two ? 2 : 1);
    afterHour = letter == u'h';
    i += two ? 2 : 1;
  }
  return out;
}

}  // namespace formix::phrases
