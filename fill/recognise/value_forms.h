// The forms a profile value takes to fit what a page asks: the city line split after the city's
// name, hyphens or none, and the option of a list that means a value. (Width and kana: text/japanese.h.)
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fill/page_facts.h"

namespace formix::fill::recognition {

// "千代田区千代田1-1" -> {"千代田区", "千代田1-1"}: the city line cut after its district, city,
// ward, town or village name ("横浜市緑区", "西多摩郡奥多摩町"). Whole line and "" when no such
// name starts it.
struct CityLine {
  std::u16string city;
  std::u16string rest;
};
CityLine splitCityLine(std::u16string_view line);

// "千代田1-1" -> {"千代田", "1-1"}: a town's name and the numbers after it.
struct StreetLine {
  std::u16string town;
  std::u16string number;
};
StreetLine splitStreet(std::u16string_view street);

// What a page's example of a number says about hyphens: "例：1000001" none, "例）123-4567" some.
enum class Hyphens { Unknown, None, Some };
// The first example in `texts` that is a run of at least `minDigits` digits, with or without
// hyphens (ASCII or full-width).
Hyphens exampleHyphens(const std::vector<std::u16string_view>& texts, int minDigits);

// The index of the first option for which `matches` holds of its text or of its value, both
// folded (case, width, kana script) and without blanks; nullopt when none does.
std::optional<int> findOption(const std::vector<OptionFacts>& options,
                              const std::function<bool(const std::u16string& text, const std::u16string& value)>& matches);

// Text folded for comparison, without blanks of either width.
std::u16string folded(std::u16string_view text);

}  // namespace formix::fill::recognition
