// Phrase pages without a desktop: what a phrase's content turns into when it is typed.
//
// A content may hold %-codes: "%R" a line break (CR LF), "%B" a tab, "%%" a percent sign, "%D"
// and "%T" the current date and time (optionally with a pattern in square brackets, "%D[YY-MM-DD]"),
// and "%O", which makes the rest of the content a file or address to open instead of typing
// anything. Code letters are case-insensitive; a "%" before any other letter, or at the end, is
// dropped. Nothing here throws: every content and every pattern has an expansion.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace formix::phrases {

// A local date and time, as a calendar shows it. Fields are not checked: the formatter prints them
// as they are.
struct DateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// The date part alone (midnight), and the time of day alone on the zero date 1899-12-30, which is
// what date tokens show in a time pattern.
DateTime dateOnly(const DateTime& t);
DateTime timeOnly(const DateTime& t);

// Formats `t` by a date-and-time pattern. Tokens, in either letter case: yyyy and yy (year in four
// or two digits), m and mm (month, or minute when the token before is h or hh), d and dd (day),
// h and hh (hour, 0-23), n and nn (minute), s and ss (second); the one-letter forms have no leading
// zero. A run of letters is cut into the longest tokens from the left ("yyy" is "yy" and "y");
// every character that is no token (a lone "y" included) is copied unchanged.
std::u16string FormatDateTime(std::u16string_view pattern, const DateTime& t);

inline constexpr std::u16string_view kDefaultDatePattern = u"YYYY/MM/DD";
inline constexpr std::u16string_view kDefaultTimePattern = u"H:MM:SS";

struct Expansion {
  // What to type; empty when nothing is to be typed.
  std::u16string text;
  // Set when the content held "%O": the rest of the content after the code, untrimmed. `text` is
  // then empty.
  std::optional<std::u16string> openTarget;
};

// Expands the %-codes of a phrase's content at the date and time `now`.
Expansion ExpandPhrase(std::u16string_view content, const DateTime& now);

// The text without leading and trailing blanks (U+0020 only).
std::u16string TrimBlanks(std::u16string_view text);

// How the popup menu shows a phrase title: the title, or "---" when it is empty.
std::u16string menuCaption(std::u16string_view title);

}  // namespace formix::phrases
