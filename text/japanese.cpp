#include "text/japanese.h"

#include <span>

namespace formix::text {

bool isHiragana(char16_t c) { return c >= 0x3041 && c <= 0x309F; }
bool isKatakana(char16_t c) { return (c >= 0x30A1 && c <= 0x30FA) || (c >= 0xFF66 && c <= 0xFF9D); }

std::u16string toKatakana(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if ((c >= u'\u3041' && c <= u'\u3096') || c == u'\u309D' || c == u'\u309E') c = static_cast<char16_t>(c + 0x60);
  }
  return out;
}

std::u16string toFullWidth(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u' ') out += u'　';
    else if (c == u'-') out += u'－';
    else if (c > 0x20 && c < 0x7F) out += static_cast<char16_t>(c + 0xFEE0);
    else out += c;
  }
  return out;
}

std::u16string toHalfWidth(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'　') out += u' ';
    else if (c >= 0xFF01 && c <= 0xFF5E) out += static_cast<char16_t>(c - 0xFEE0);
    else out += c;
  }
  return out;
}

bool isHyphen(char16_t c) {
  return c == u'-' || c == u'－' || c == u'ー' || c == u'ｰ' || c == u'‐' || c == u'−' || c == u'―';
}

bool isDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'０' && c <= u'９'); }
int digitValue(char16_t c) { return c <= u'9' ? c - u'0' : c - u'０'; }

std::vector<long> numbersIn(std::u16string_view text) {
  std::vector<long> out;
  for (size_t i = 0; i < text.size();) {
    if (!isDigit(text[i])) {
      ++i;
      continue;
    }
    long n = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
      if (n < 100000000) n = n * 10 + digitValue(text[i]);
    }
    out.push_back(n);
  }
  return out;
}

namespace {
// Folded as text comparison folds them: lower case, ASCII.
constexpr std::u16string_view kMaleWords[] = {u"男", u"男性", u"male", u"man", u"m", u"男子"};
constexpr std::u16string_view kFemaleWords[] = {u"女", u"女性", u"female", u"woman", u"f", u"女子"};
}  // namespace

bool namesGender(std::u16string_view foldedWord, bool male) {
  if (foldedWord.empty()) return false;
  for (std::u16string_view w : male ? std::span(kMaleWords) : std::span(kFemaleWords)) {
    if (foldedWord == w) return true;
  }
  return foldedWord.front() == (male ? kMaleCaption : kFemaleCaption).front();
}

bool isGenderWord(std::u16string_view foldedWord) {
  return foldedWord.size() > 1 ? namesGender(foldedWord, true) || namesGender(foldedWord, false)
                               : foldedWord == kMaleCaption || foldedWord == kFemaleCaption;
}

}  // namespace formix::text
