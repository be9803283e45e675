// Calendar dates for both fill engines: age, validity, the Japanese era calendar, ISO date text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace formix::fill {

// A day of the Gregorian calendar (extended backwards before 1582).
struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  friend auto operator<=>(const CivilDate&, const CivilDate&) = default;
};

// Whether year-month-day names a real day in years 100..9999, the range of the platform's dates.
bool isValidDate(int year, int month, int day);

// An era of the Japanese calendar and the year within it (1 in the era's first year).
struct EraYear {
  std::u16string_view name;  // "明治", "大正", "昭和", "平成", "令和"
  int year = 0;
};

// The era year of a valid date on or after the first day of Meiji; nullopt for an invalid date or
// an earlier one. Each era counts from its first day: Taisho from 1912-07-30, Showa from
// 1926-12-25, Heisei from 1989-01-08, Reiwa from 2019-05-01. Meiji counts from 1868-01-01 as the
// Windows calendar tables do, so every day of 1868 is Meiji 1.
std::optional<EraYear> japaneseEra(const CivilDate& date);

// The date pattern "e": the era year alone, in decimal, no leading zero ("55").
std::optional<std::u16string> eraYearText(const CivilDate& date);
// The date pattern "ggge": the era name followed by the era year ("昭和55").
std::optional<std::u16string> eraNameAndYearText(const CivilDate& date);

// Age in whole years on `today` of a person born on year-month-day; a birthday that falls today
// counts as reached.
int iGetAge(int year, int month, int day, const CivilDate& today);

// Strict "YYYY-MM-DD" (four, two and two digits) naming a valid date.
std::optional<CivilDate> parseIsoDate(std::string_view text);

}  // namespace formix::fill
