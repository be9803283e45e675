#include "fill/recognise/value_forms.h"

#include "text/compare.h"
#include "text/japanese.h"

namespace formix::fill::recognition {
namespace {

// The end of the shortest prefix of `line` from `from` that ends in one of `marks`, or npos.
// A name is at least one character before its mark, and holds no digit.
size_t nameEnding(std::u16string_view line, size_t from, std::u16string_view marks) {
  for (size_t i = from + 1; i < line.size(); ++i) {
    if (text::isDigit(line[i]) || line[i] == u' ' || line[i] == u'　') return std::u16string_view::npos;
    if (marks.find(line[i]) != std::u16string_view::npos) return i + 1;
  }
  return std::u16string_view::npos;
}

}  // namespace

CityLine splitCityLine(std::u16string_view line) {
  size_t at = 0;
  // An optional district (郡), then a city (市) and its ward (区), or a ward of Tokyo, or a town
  // or village (町, 村) of a district.
  if (size_t e = nameEnding(line, at, u"郡"); e != std::u16string_view::npos && e < line.size()) at = e;
  const size_t city = nameEnding(line, at, u"市");
  bool found = false;
  if (city != std::u16string_view::npos) at = city, found = true;
  if (size_t ward = nameEnding(line, at, u"区"); ward != std::u16string_view::npos) at = ward, found = true;
  if (!found) {
    if (size_t town = nameEnding(line, at, u"町村"); town != std::u16string_view::npos) at = town, found = true;
  }
  if (!found) return {std::u16string(line), u""};
  return {std::u16string(line.substr(0, at)), std::u16string(line.substr(at))};
}

StreetLine splitStreet(std::u16string_view street) {
  size_t i = 0;
  while (i < street.size() && !text::isDigit(street[i])) ++i;
  std::u16string_view town = street.substr(0, i), number = street.substr(i);
  while (!town.empty() && (town.back() == u' ' || town.back() == u'　')) town.remove_suffix(1);
  return {std::u16string(town), std::u16string(number)};
}

Hyphens exampleHyphens(const std::vector<std::u16string_view>& texts, int minDigits) {
  for (std::u16string_view t : texts) {
    for (size_t i = 0; i < t.size(); ++i) {
      if (!text::isDigit(t[i]) || (i > 0 && (text::isDigit(t[i - 1]) || text::isHyphen(t[i - 1])))) continue;
      int digits = 0;
      bool hyphen = false;
      size_t j = i;
      for (; j < t.size() && (text::isDigit(t[j]) || (text::isHyphen(t[j]) && j + 1 < t.size() && text::isDigit(t[j + 1]))); ++j) {
        if (text::isDigit(t[j])) ++digits;
        else hyphen = true;
      }
      if (digits >= minDigits) return hyphen ? Hyphens::Some : Hyphens::None;
      i = j;
    }
  }
  return Hyphens::Unknown;
}

std::u16string folded(std::u16string_view text) {
  std::u16string out = text::foldText(text);
  std::erase_if(out, [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; });
  return out;
}

std::optional<int> findOption(const std::vector<OptionFacts>& options,
                              const std::function<bool(const std::u16string& text, const std::u16string& value)>& matches) {
  for (size_t k = 0; k < options.size(); ++k) {
    if (matches(folded(options[k].text), folded(options[k].value))) return static_cast<int>(k);
  }
  return std::nullopt;
}

}  // namespace formix::fill::recognition
