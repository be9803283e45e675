#include "fill/recognise/values/writing.h"

#include <algorithm>

#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

std::u16string twoDigits(int n) { return n < 10 ? u"0" + text::decimal(n) : text::decimal(n); }

// Whether a whole postal code or telephone number of `digits` digits and `hyphens` hyphens goes
// with its hyphens.
bool wantsHyphens(const Slot& s, int digits, int hyphens) {
  if (s.noHyphen) return false;
  if (s.withHyphen) return true;
  const Hyphens example =
      exampleHyphens({s.c->placeholder, s.c->title, s.c->after, s.c->before, s.c->label, s.c->rowHeader, s.c->below}, 7);
  if (example != Hyphens::Unknown) return example == Hyphens::Some;
  if (s.c->maxLength > 0) return s.c->maxLength >= digits + hyphens;
  if (!s.c->pattern.empty()) return s.c->pattern.find(u'-') != std::u16string::npos;
  if (s.c->type == u"number") return false;
  return true;
}

// The text a box receives, fitted to what its labels ask.
std::u16string fitted(const Slot& s, std::u16string value) {
  if (s.fullWidth && !s.halfWidth) return text::toFullWidth(value);
  if (s.halfWidth) return text::toHalfWidth(value);
  return value;
}

void setText(Slot& s, std::u16string value, std::u16string_view item) {
  if (value.empty()) return;
  s.fill = ControlFill{s.frame->frame, s.c->control, ControlFill::Kind::Value, fitted(s, std::move(value)), -1,
                       std::u16string(item)};
}

void setOption(Slot& s, std::optional<int> option, std::u16string_view item) {
  if (!option) return;
  if (s.c->options[*option].selected) return;  // already so
  s.fill = ControlFill{s.frame->frame, s.c->control, ControlFill::Kind::Option, {}, *option, std::u16string(item)};
}

// An option that only says "choose": "選択してください", "--", "".
bool isPrompt(const std::u16string& text) {
  static const std::u16string kChoose = folded(u"選んで");  // folded texts hold katakana
  return text.empty() || text.find(u"選択") != std::u16string::npos || text.find(kChoose) != std::u16string::npos ||
         text.find_first_not_of(u"-―ー—=*") == std::u16string::npos;
}

// The option whose text starts with the number ("05", "5月", "1980年", "1980/昭和55"); failing
// that, the one whose value is the number ("昭和55年" valued "1980"). Texts come first: a list's
// values may count from 0.
std::optional<int> optionByNumber(const Slot& s, long wanted) {
  const std::optional<int> byText = findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
    const auto n = text::numbersIn(text);
    return !isPrompt(text) && !n.empty() && n.front() == wanted;
  });
  if (byText) return byText;
  return findOption(s.c->options, [&](const std::u16string& text, const std::u16string& value) {
    const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    return digits && !isPrompt(text) && text::numbersIn(value).front() == wanted;
  });
}

std::optional<int> optionByText(const Slot& s, std::u16string_view wanted) {
  const std::u16string w = folded(wanted);
  if (w.empty()) return std::nullopt;
  return findOption(s.c->options, [&](const std::u16string& text, const std::u16string& value) { return text == w || value == w; });
}

std::u16string kanaIn(const std::u16string& hiragana, Script script) {
  return script == Script::Hiragana ? hiragana : text::toKatakana(hiragana);
}

}  // namespace formix::fill::recognition
