#include "fill/recognise/values/writing.h"

#include <algorithm>

#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

std::u16string twoDigits(int n) { return n < 10 ? u"0" + text::decimal(n) : text::decimal(n); }

namespace {

// What the page's own words say of hyphens in a whole number of `digits` digits: its notes
// ("ハイフンなし", "7桁") and its example; nullopt when they say nothing.
std::optional<bool> askedHyphens(const Slot& s, size_t digits) {
  if (s.noHyphen || (digits < 32 && (s.digitCounts >> digits & 1u))) return false;
  if (s.withHyphen) return true;
  const Hyphens example =
      exampleHyphens({s.c->placeholder, s.c->title, s.c->after, s.c->before, s.c->label, s.c->rowHeader, s.c->below}, 7);
  if (example != Hyphens::Unknown) return example == Hyphens::Some;
  return std::nullopt;
}

// Failing words, what the box itself suggests: room for the hyphens, a pattern that has one, a
// number box or a numeric keypad.
bool boxTakesHyphens(const Slot& s, int length) {
  if (s.c->maxLength > 0) return s.c->maxLength >= length;
  if (!s.c->pattern.empty()) return s.c->pattern.find(u'-') != std::u16string::npos;
  return s.c->type != u"number" && s.c->inputMode != u"numeric";
}

void addOnce(std::vector<std::u16string>& list, std::u16string value) {
  if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end()) list.push_back(std::move(value));
}

}  // namespace

// The text a box receives, fitted to what its labels ask.
std::u16string fitted(const Slot& s, std::u16string value) {
  if (s.fullWidth && !s.halfWidth) return text::toFullWidth(value);
  if (s.halfWidth) return text::toHalfWidth(value);
  return value;
}

void setText(Slot& s, std::u16string value, std::u16string_view item, OtherForms others) {
  if (value.empty()) return;
  std::vector<std::u16string> forms;
  addOnce(forms, fitted(s, std::move(value)));
  for (std::u16string& f : others.forms) addOnce(forms, fitted(s, std::move(f)));
  // A width the labels asked for stays; otherwise either width is the same value.
  if (others.otherWidth && !s.fullWidth && !s.halfWidth) {
    const size_t asked = forms.size();
    for (size_t k = 0; k < asked; ++k) addOnce(forms, text::toHalfWidth(forms[k]));
    for (size_t k = 0; k < asked; ++k) addOnce(forms, text::toFullWidth(forms[k]));
  }
  // maxlength counts UTF-16 units, as the strings here do.
  if (s.c->maxLength >= 0) {
    std::erase_if(forms, [&](const std::u16string& f) { return f.size() > static_cast<size_t>(s.c->maxLength); });
  }
  if (forms.empty()) {
    s.refusal = Refusal::DoesNotFit;
    return;
  }
  ControlFill fill{s.frame->frame, s.c->control, ControlFill::Kind::Value, std::move(forms.front()), -1, std::u16string(item), {}};
  fill.alternatives.assign(std::make_move_iterator(forms.begin() + 1), std::make_move_iterator(forms.end()));
  s.fill = std::move(fill);
}

void setNumber(Slot& s, const std::u16string& withHyphens, std::u16string_view item) {
  std::u16string without = withHyphens;
  std::erase(without, u'-');
  const std::optional<bool> asked = askedHyphens(s, without.size());
  const bool hyphens = asked.value_or(boxTakesHyphens(s, static_cast<int>(withHyphens.size())));
  OtherForms others;
  if (!asked) others.forms.push_back(hyphens ? without : withHyphens);
  setText(s, hyphens ? withHyphens : without, item, std::move(others));
}

void setOption(Slot& s, std::optional<int> option, std::u16string_view item) {
  if (!option) return;
  if (s.c->options[*option].selected) return;  // already so
  s.fill = ControlFill{s.frame->frame, s.c->control, ControlFill::Kind::Option, {}, *option, std::u16string(item), {}};
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

std::u16string halfWidthKatakana(std::u16string_view katakana) {
  // The half-width block U+FF66..U+FF9D in its own order, and the voiced and semi-voiced marks.
  static constexpr std::u16string_view kFull = u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";
  static constexpr std::u16string_view kVoiced = u"ガギグゲゴザジズゼゾダヂヅデドバビブベボ", kSemiVoiced = u"パピプペポ";
  std::u16string out;
  for (char16_t ch : katakana) {
    if (size_t at = kFull.find(ch); at != std::u16string_view::npos) {
      out += static_cast<char16_t>(0xFF66 + at);
    } else if (kVoiced.find(ch) != std::u16string_view::npos) {
      out += static_cast<char16_t>(0xFF66 + kFull.find(static_cast<char16_t>(ch - 1))), out += u'\uFF9E';
    } else if (kSemiVoiced.find(ch) != std::u16string_view::npos) {
      out += static_cast<char16_t>(0xFF66 + kFull.find(static_cast<char16_t>(ch - 2))), out += u'\uFF9F';
    } else if (ch == u'ヴ') {
      out += u"\uFF73\uFF9E";
    } else if (ch == u'　') {
      out += u' ';
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace formix::fill::recognition
