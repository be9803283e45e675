// What every topic's values share: how a box receives a text or an option, fitted to what its
// labels ask, and how a list's option is found by a number or a text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fill/recognise/slot.h"

namespace formix::fill::recognition {

// "05" for 5: a month or day written with two digits.
std::u16string twoDigits(int n);
// The text a box receives, fitted to what its labels ask (full- or half-width).
std::u16string fitted(const Slot& s, std::u16string value);
// The same value written otherwise, for a box whose own rules (its length, pattern or type)
// refuse the form the page's words asked for.
struct OtherForms {
  std::vector<std::u16string> forms;  // most wanted first
  bool otherWidth = true;             // its half- or full-width twin is the same value too
};
// The box receives `value` (nothing when it is empty), reported as `item`, with its other forms
// to try after it. Forms longer than the box's maxlength are dropped; when none is left, the box
// is left alone as one the value does not fit.
void setText(Slot& s, std::u16string value, std::u16string_view item, OtherForms others = {});
// A whole postal code or telephone number, given with its hyphens: written with them or without,
// as the page's notes, example, length, pattern or type ask; the other way is its other form
// unless the notes or the example settled it.
void setNumber(Slot& s, const std::u16string& withHyphens, std::u16string_view item);
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
// Katakana in their half-width forms, a voiced sound as two characters ("ダ" -> "ﾀﾞ").
std::u16string halfWidthKatakana(std::u16string_view katakana);
// The profile's reading (hiragana) in the script a box asks for; katakana unless hiragana.
std::u16string kanaIn(const std::u16string& hiragana, Script script);

}  // namespace formix::fill::recognition
