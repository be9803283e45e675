// A date written the way a page's example writes one: "例：1980/05/15", "例）昭和55年5月15日",
// "S55.5.15", "DD/MM/YYYY", "例：1980" for a year box alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "fill/japanese_date.h"

namespace formix::fill::recognition {

// `date` in the shape of the first example of a whole date in `text`: the same fields in the
// same order, separators, era (its name, or its letter in the example's case) or Western year,
// zero padding and digit width. An example is a run of year, month and day fields (digits, or
// letters such as "YYYY" and "MM") with separators between them. A year last with a month and a
// day that could be either way round ("01/02/1980") says no order: nullopt then, and when the
// text shows no whole date or the date has no era it asks for.
std::optional<std::u16string> dateLikeExample(std::u16string_view text, const CivilDate& date);
// The year of `date` as the first example of a year alone in `text` writes it: "1980",
// "昭和55", "S55", "Ｈ２" (its era, letter case, padding and width); nullopt when there is none.
std::optional<std::u16string> yearLikeExample(std::u16string_view text, const CivilDate& date);

}  // namespace formix::fill::recognition
