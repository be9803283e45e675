// What Formix knows of written Japanese, in one place: the kana blocks and the turn from hiragana
// to katakana, full- and half-width forms, the characters that serve as a hyphen, digits of either
// width, and the words that name a gender.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace formix::text {

// The hiragana block (ぁ … ゟ, voicing marks and iteration marks included).
bool isHiragana(char16_t c);
// Full-width katakana letters (ァ … ヺ) and the half-width ones (ｦ … ﾝ).
bool isKatakana(char16_t c);
// Hiragana letters and their iteration marks turned into katakana; every other character kept.
std::u16string toKatakana(std::u16string_view text);

// ASCII letters, digits, signs and the blank as their full-width forms ("1-1" -> "１－１").
std::u16string toFullWidth(std::u16string_view text);
// Full-width ASCII forms and U+3000 back to ASCII.
std::u16string toHalfWidth(std::u16string_view text);

// A character written as a hyphen between digits or boxes: ASCII, full-width, the long vowel
// mark of either width, the Unicode hyphen, minus and horizontal bar.
bool isHyphen(char16_t c);

// An ASCII or full-width digit, and its value.
bool isDigit(char16_t c);
int digitValue(char16_t c);
// The whole numbers in a text, in order ("1980/昭和55" -> 1980, 55; "０５" -> 5).
std::vector<long> numbersIn(std::u16string_view text);

// The captions of the two gender buttons of the profile panel.
inline constexpr std::u16string_view kMaleCaption = u"男";    // optAUTO(0)
inline constexpr std::u16string_view kFemaleCaption = u"女";  // optAUTO(1)

// Whether a word (folded for text comparison, without blanks) names the male or the female
// gender: "男", "男性", "male", "man", "m", "男子", or any word that starts with the caption.
bool namesGender(std::u16string_view foldedWord, bool male);
// Whether a word names either gender in words rather than a letter ("男性", "female"); a lone
// "m" or "f" also stands for sizes and so does not count here.
bool isGenderWord(std::u16string_view foldedWord);

}  // namespace formix::text
