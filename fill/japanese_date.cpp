#include "fill/japanese_date.h"

#include <array>

#include "text/utf.h"

namespace formix::fill {
namespace {

struct Era {
  std::u16string_view name;
  CivilDate first;
};

// Latest first, so the first era that began on or before a date is its era.
constexpr std::array<Era, 5> kEras = {{
    {u"令和", {2019, 5, 1}},
    {u"平成", {1989, 1, 8}},
    {u"昭和", {1926, 12, 25}},
    {u"大正", {1912, 7, 30}},
    {u"明治", {1868, 1, 1}},
}};

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

bool isValidDate(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

std::optional<EraYear> japaneseEra(const CivilDate& date) {
  if (!isValidDate(date.year, date.month, date.day)) return std::nullopt;
  for (const Era& era : kEras) {
    if (date >= era.first) return EraYear{era.name, date.year - era.first.year + 1};
  }
  return std::nullopt;
}

std::optional<std::u16string> eraYearText(const CivilDate& date) {
  const auto era = japaneseEra(date);
  if (!era) return std::nullopt;
  return text::widen(std::to_string(era->year));
}

std::optional<std::u16string> eraNameAndYearText(const CivilDate& date) {
  const auto era = japaneseEra(date);
  if (!era) return std::nullopt;
  return std::u16string(era->name) + text::widen(std::to_string(era->year));
}

std::optional<CivilDate> parseIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  auto digits = [&](size_t from, size_t count) -> std::optional<int> {
    int value = 0;
    for (size_t i = from; i < from + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
  if (!year || !month || !day || !isValidDate(*year, *month, *day)) return std::nullopt;
  return CivilDate{*year, *month, *day};
}

int iGetAge(int year, int month, int day, const CivilDate& today) {
  const int years = today.year - year;
  int months = today.month - month;
  if (today.day - day < 0) --months;
  return months < 0 ? years - 1 : years;
}

}  // namespace formix::fill
