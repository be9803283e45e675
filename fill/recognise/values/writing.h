// What every topic's values share: how a box receives a text or an option, fitted to what its
// labels ask, and how a list's option is found by a number or a text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "fill/recognise/slot.h"

namespace formix::fill::recognition {

// "05" for 5: a month or day written with two digits.
std::u16string twoDigits(int n);
// Whether a whole postal code or telephone number of `digits` digits and `hyphens` hyphens goes
// with its hyphens.
bool wantsHyphens(const Slot& s, int digits, int hyphens);
// The text a box receives, fitted to what its labels ask (full- or half-width).
std::u16string fitted(const Slot& s, std::u16string value);
// The box receives `value` (nothing when it is empty), reported as `item`.
void setText(Slot& s, std::u16string value, std::u16string_view item);
// The list's option is chosen, unless none was found or it is chosen already.
void setOption(Slot& s, std::optional<int> option, std::u16string_view item);
// An option that only says "choose": "選択してください", "--", "".
bool isPrompt(const std::u16string& text);
// The option whose text starts with the number ("05", "5月", "1980年", "1980/昭和55"); failing
// that, the one whose value is the number ("昭和55年" valued "1980"). Texts come first: a list's
// values may count from 0.
std::optional<int> optionByNumber(const Slot& s, long wanted);
// The option whose text or value is `wanted`, both folded.
std::optional<int> optionByText(const Slot& s, std::u16string_view wanted);
// The profile's reading (hiragana) in the script a box asks for; katakana unless hiragana.
std::u16string kanaIn(const std::u16string& hiragana, Script script);

}  // namespace formix::fill::recognition
