// What a form field asks for, judged by the label words that stand just before it.
//
// The keyword table holds 101 slots in groups of five; slot s belongs to field kind s / 5 + 1.
// Keywords are stored reversed and searched in the reversed text before a field (sReverseText), so
// the position where a keyword is found counts how far its end stands from the field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formix::fill {

inline constexpr int kKeywordSlots = 101;  // slots 0..100
inline constexpr int kSearchedSlots = 81;  // the search reads slots 0..80
inline constexpr int kExactSlots = 10;     // slots 0..9 (the kana words) compare unit for unit
inline constexpr size_t kPrecedingLength = 150;

// Field kinds, 0..17.
namespace kind {
inline constexpr int None = 0;
inline constexpr int HiraganaReading = 1;
inline constexpr int KatakanaReading = 2;
inline constexpr int Name = 3;
inline constexpr int Mail = 4;
inline constexpr int PostalCode = 5;
inline constexpr int Address = 6;
inline constexpr int BirthDate = 7;
inline constexpr int Age = 8;
inline constexpr int Occupation = 9;
inline constexpr int Telephone = 10;
inline constexpr int Gender = 12;
inline constexpr int AtSign = 13;
inline constexpr int Password = 14;  // password or answer: the field is left alone
}  // namespace kind

// `text` reversed, without blanks. U+0020 and the ideographic space U+3000 are blanks: Japanese
// labels are often spaced out with U+3000 ("氏　名"), and removing it lets such a label match.
std::u16string sReverseText(std::u16string_view text);

class KeywordTable {
 public:
  KeywordTable();  // every slot empty: every field is kind 0

  // Fills the table with the stored (reversed) keywords; calling it again rewrites the same values.
  void SetKeywords();

  const std::u16string& slot(int s) const { return slots_.at(s); }
  // Stores one (reversed) keyword; slots outside 0..100 are ignored.
  void setKeyword(int s, std::u16string_view stored);

  // The kind of the nearest keyword in a reversed preceding text: the keyword found at the smallest
  // 1-based position below 150, the lower slot on a tie; 0 when none is found.
  int iGetFieldKind(std::u16string_view precedingText) const;

 private:
  void buildIndex();

  std::array<std::u16string, kKeywordSlots> slots_;
  std::array<std::u16string, kSearchedSlots> folded_;  // the searched slots, folded for text comparison
  // The searched slots by the folded unit their keyword starts with, ascending: a position of the
  // preceding text is tried only against the keywords that can start there.
  std::array<uint8_t, 0x10000> groupOf_{};  // 0: no keyword starts with this unit
  std::vector<std::vector<int>> groups_;
};

// The table as SetKeywords fills it, built once.
const KeywordTable& standardKeywords();

}  // namespace formix::fill
