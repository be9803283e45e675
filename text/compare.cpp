#include "text/compare.h"

#include <array>

namespace formix::text {
namespace {

// Full-width katakana for the half-width block U+FF61..U+FF9F, unit for unit.
constexpr char16_t kHalfWidthKana[] = {
    u'。', u'「', u'」', u'、', u'・', u'ヲ', u'ァ', u'ィ', u'ゥ', u'ェ', u'ォ', u'ャ', u'ュ', u'ョ', u'ッ',
    u'ー', u'ア', u'イ', u'ウ', u'エ', u'オ', u'カ', u'キ', u'ク', u'ケ', u'コ', u'サ', u'シ', u'ス', u'セ',
    u'ソ', u'タ', u'チ', u'ツ', u'テ', u'ト', u'ナ', u'ニ', u'ヌ', u'ネ', u'ノ', u'ハ', u'ヒ', u'フ', u'ヘ',
    u'ホ', u'マ', u'ミ', u'ム', u'メ', u'モ', u'ヤ', u'ユ', u'ヨ', u'ラ', u'リ', u'ル', u'レ', u'ロ', u'ワ',
    u'ン', u'゛', u'゜'};
static_assert(sizeof(kHalfWidthKana) / sizeof(char16_t) == 0xFF9F - 0xFF61 + 1);

constexpr char16_t lowerCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 0x20;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;             // Latin-1 letters
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;           // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;                         // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;                         // Cyrillic Ѐ..Џ
  return c;
}

constexpr char16_t computeFold(char16_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) return lowerCase(c - 0xFF01 + 0x21);  // full-width ASCII
  if (c == 0x3000) return u' ';                                          // ideographic space
  if (c >= 0xFF61 && c <= 0xFF9F) c = kHalfWidthKana[c - 0xFF61];        // half-width kana
  if (c >= 0x3041 && c <= 0x3096) return c + 0x60;                       // hiragana
  if (c == 0x309D || c == 0x309E) return c + 0x60;                       // ゝ ゞ
  switch (c) {                                                           // full-width signs
    case 0xFFE0: return 0xA2;
    case 0xFFE1: return 0xA3;
    case 0xFFE2: return 0xAC;
    case 0xFFE3: return 0xAF;
    case 0xFFE4: return 0xA6;
    case 0xFFE5: return 0xA5;
    case 0xFFE6: return 0x20A9;
    default: return lowerCase(c);
  }
}

// One lookup per unit: the fold runs over whole pages of HTML.
const std::array<char16_t, 0x10000>& foldTable() {
  static const auto table = [] {
    std::array<char16_t, 0x10000> t{};
    for (unsigned u = 0; u < 0x10000; ++u) t[u] = computeFold(static_cast<char16_t>(u));
    return t;
  }();
  return table;
}

size_t findExact(std::u16string_view haystack, std::u16string_view needle, size_t from) {
  if (from > haystack.size()) return npos;
  return haystack.find(needle, from);
}

}  // namespace

char16_t foldUnit(char16_t c) { return foldTable()[c]; }

std::u16string foldText(std::u16string_view text) {
  const auto& table = foldTable();
  std::u16string out(text.size(), u'\0');
  for (size_t i = 0; i < text.size(); ++i) out[i] = table[text[i]];
  return out;
}

bool equals(std::u16string_view a, std::u16string_view b, Compare mode) {
  if (a.size() != b.size()) return false;
  if (mode == Compare::Binary) return a == b;
  const auto& table = foldTable();
  for (size_t i = 0; i < a.size(); ++i) {
    if (table[a[i]] != table[b[i]]) return false;
  }
  return true;
}

size_t inStr(std::u16string_view haystack, std::u16string_view needle, size_t from, Compare mode) {
  if (mode == Compare::Binary) return findExact(haystack, needle, from);
  return findExact(foldText(haystack), foldText(needle), from);
}

size_t FoldedText::find(std::u16string_view needle, size_t from) const {
  return findExact(folded_, foldText(needle), from);
}

size_t FoldedText::findFolded(std::u16string_view foldedNeedle, size_t from) const {
  return findExact(folded_, foldedNeedle, from);
}

}  // namespace formix::text
