#include "fill/html/field_classifier.h"

#include <algorithm>
#include <utility>

#include "text/compare.h"

namespace formix::fill {

std::u16string sReverseText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] != u' ' && text[i] != u'\u3000') out.push_back(text[i]);
  }
  return out;
}

KeywordTable::KeywordTable() { buildIndex(); }

void KeywordTable::SetKeywords() {
  static constexpr std::pair<int, std::u16string_view> kStored[] = {
      {0, u"ながりふ"}, {1, u"ながらひ"}, {2, u"いめし"}, {3, u"えまな"},          // reading, hiragana
      {5, u"ナガリフ"}, {6, u"ナカタカ"}, {7, u"イメシ"}, {8, u"エマナ"},          // reading, katakana
      {10, u"名氏"}, {11, u"前名"}, {12, u"字名"}, {13, u"字苗"},                  // name
      {15, u"ルーメ"}, {16, u"liam"}, {17, u"ｌｉａｍ"},                           // mail
      {20, u"便郵"}, {21, u"〒"},                                                 // postal code
      {25, u"所住"}, {26, u"縄沖"}, {27, u"市郡"}, {28, u"県府道都"}, {29, u"いま住"},  // address
      {30, u"年生"}, {31, u"生誕"}, {32, u"和昭"}, {33, u"0891"},                  // birth date
      {35, u"齢年"}, {36, u"令年"},                                               // age
      {40, u"職"},                                                                // occupation
      {45, u"話電"}, {46, u"LET"}, {47, u"ＬＥＴ"},                                // telephone
      {55, u"別性"},                                                              // gender
      {60, u"@"}, {61, u"＠"},                                                    // at sign
      {65, u"ドーワスパ"}, {66, u"え答"},                                          // password, answer
  };
  slots_ = {};
  for (const auto& [s, keyword] : kStored) slots_[s] = keyword;
  buildIndex();
}

void KeywordTable::setKeyword(int s, std::u16string_view stored) {
  if (s < 0 || s >= kKeywordSlots) return;
  slots_[s] = stored;
  buildIndex();
}

void KeywordTable::buildIndex() {
  groupOf_.fill(0);
  groups_.assign(1, {});  // group 0 stays empty
  for (int s = 0; s < kSearchedSlots; ++s) {
    folded_[s] = text::foldText(slots_[s]);
    if (folded_[s].empty()) continue;
    uint8_t& group = groupOf_[folded_[s][0]];
    if (group == 0) {
      group = static_cast<uint8_t>(groups_.size());
      groups_.emplace_back();
    }
    groups_[group].push_back(s);
  }
}

int KeywordTable::iGetFieldKind(std::u16string_view precedingText) const {
  // The smallest position at which any keyword occurs is the nearest keyword's first occurrence;
  // trying the slots there in ascending order gives the lower slot on a tie. A keyword counts only
  // below 1-based position 150, that is at 0-based positions 0..148.
  const size_t end = std::min(precedingText.size(), kPrecedingLength - 1);
  for (size_t pos = 0; pos < end; ++pos) {
    const uint8_t group = groupOf_[text::foldUnit(precedingText[pos])];
    if (group == 0) continue;
    for (const int s : groups_[group]) {
      const std::u16string& keyword = s < kExactSlots ? slots_[s] : folded_[s];
      if (keyword.size() > precedingText.size() - pos) continue;
      bool match = true;
      for (size_t k = 0; k < keyword.size() && match; ++k) {
        const char16_t unit = precedingText[pos + k];
        match = (s < kExactSlots ? unit : text::foldUnit(unit)) == keyword[k];
      }
      if (match) return s / 5 + 1;
    }
  }
  return kind::None;
}

const KeywordTable& standardKeywords() {
  static const KeywordTable table = [] {
    KeywordTable t;
    t.SetKeywords();
    return t;
  }();
  return table;
}

}  // namespace formix::fill
