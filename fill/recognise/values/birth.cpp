// The birth date: lists of year, month, day and era, text boxes, date boxes, and the age.
#include <algorithm>

#include "fill/recognise/values/date_example.h"
#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillAge(Slot& s, const Profile& profile, const CivilDate& today) {
  const auto birth = profile.birth;
  if (!birth) return;
  const int age = iGetAge(birth->year, birth->month, birth->day, today);
  if (s.kind != Kind::Select) {
    setText(s, text::decimal(age), u"age");
    return;
  }
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) { return namesAge(text, age); }), u"age");
}

// A list's option or a radio button of ages or of brackets: "46歳", "40代", "40～49歳", "40歳以上".
bool namesAge(const std::u16string& text, int age) {
  const auto n = text::numbersIn(text);
  if (n.empty() || isPrompt(text)) return false;
  if (text.find(u"代") != std::u16string::npos) return n[0] <= age && age < n[0] + 10;
  if (n.size() >= 2) return n[0] <= age && age <= n[1];
  if (text.find(u"以上") != std::u16string::npos) return age >= n[0];
  if (text.find(u"以下") != std::u16string::npos || text.find(u"未満") != std::u16string::npos) return age <= n[0];
  return n[0] == age;
}

void fillAgeRadios(std::vector<Slot*>& radios, const Profile& profile, const CivilDate& today) {
  const auto birth = profile.birth;
  if (!birth) return;
  const int age = iGetAge(birth->year, birth->month, birth->day, today);
  std::vector<Slot*> chosen;
  for (Slot* r : radios) {
    if (namesAge(folded(!r->c->beside.empty() ? r->c->beside : r->c->label), age)) chosen.push_back(r);
  }
  // Brackets that overlap name no one button.
  if (chosen.size() != 1 || chosen.front()->c->checked) return;
  Slot& r = *chosen.front();
  r.fill = ControlFill{r.frame->frame, r.c->control, ControlFill::Kind::Checked, {}, -1, u"age", {}};
}

// The era of a birth list: "昭和" among "明治 … 令和", by name or by a value naming it.
void fillEra(Slot& s, const Profile& profile) {
  const auto birth = profile.birth;
  if (!birth) return;
  const auto era = japaneseEra(*birth);
  if (!era) return;
  const std::u16string name(era->name);
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
              return text.find(text::foldText(name)) != std::u16string::npos;
            }),
            u"birth era");
}

// The texts where a box shows an example of what it takes.
std::vector<const std::u16string*> exampleTexts(const Slot& s) {
  return {&s.c->placeholder, &s.c->title, &s.c->after, &s.c->before, &s.c->below};
}

void fillBirthPart(Slot& s, Part part, const Profile& profile) {
  const auto birth = profile.birth;
  if (!birth) return;
  const auto era = japaneseEra(*birth);
  switch (part) {
    case Part::Year:
      if (s.kind == Kind::Select) {
        std::optional<int> at = optionByNumber(s, birth->year);
        if (!at && era) {
          const std::u16string eraText = folded(std::u16string(era->name) + text::decimal(era->year));
          at = findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
            return text.find(eraText) != std::u16string::npos;
          });
        }
        setOption(s, at, u"birth year");
      } else {
        // A year box whose example shows an era ("例：昭和55", "S55") takes the era year so.
        std::optional<std::u16string> shown;
        for (const std::u16string* t : exampleTexts(s)) {
          if (!shown) shown = yearLikeExample(*t, *birth);
        }
        setText(s, shown ? *shown : text::decimal(birth->year), u"birth year");
      }
      break;
    case Part::EraYear:
      if (!era) break;
      if (s.kind == Kind::Select) setOption(s, optionByNumber(s, era->year), u"birth year (era)");
      else setText(s, text::decimal(era->year), u"birth year (era)");
      break;
    case Part::Era:
      if (s.kind == Kind::Select) fillEra(s, profile);
      break;
    case Part::Month:
    case Part::Day: {
      const int n = part == Part::Month ? birth->month : birth->day;
      const std::u16string_view item = part == Part::Month ? u"birth month" : u"birth day";
      if (s.kind == Kind::Select) {
        setOption(s, optionByNumber(s, n), item);
        break;
      }
      // "05" when the example shows a leading zero; either way the other is the same number.
      const bool padded = s.c->maxLength == 2 && exampleHyphens({s.c->placeholder}, 2) != Hyphens::Unknown &&
                          s.c->placeholder.size() >= 2 && s.c->placeholder[0] == u'0';
      const std::u16string plain = text::decimal(n), two = twoDigits(n);
      setText(s, padded ? two : plain, item, {{padded ? plain : two}, true});
      break;
    }
    default:
      break;
  }
}

// Which part of a birth date a box is when its labels do not say: by its list's options.
Part birthPartByOptions(const Slot& s) {
  if (s.kind != Kind::Select) return Part::None;
  long low = 100000, high = -1;
  bool eras = false;
  for (const OptionFacts& o : s.c->options) {
    const std::u16string t = folded(o.text);
    if (t.find(u"昭和") != std::u16string::npos || t.find(u"平成") != std::u16string::npos) {
      if (text::numbersIn(t).empty()) eras = true;
    }
    const auto n = text::numbersIn(t);
    if (n.empty()) continue;
    low = std::min(low, n.front());
    high = std::max(high, n.front());
  }
  if (eras) return Part::Era;
  if (high < 0) return Part::None;
  if (low >= 1800) return Part::Year;
  if (high <= 12) return Part::Month;
  if (high <= 31) return Part::Day;
  return Part::None;
}

// A whole birth date in one text box, written like the page's example ("例：19800515",
// "1980/01/01", "昭和55年1月1日", "DD/MM/YYYY"), or by its length (8: digits only, 10: with slashes).
void fillBirthText(Slot& s, const Profile& profile) {
  const auto birth = profile.birth;
  if (!birth) return;
  for (const std::u16string* t : exampleTexts(s)) {
    if (auto shown = dateLikeExample(*t, *birth)) {
      setText(s, std::move(*shown), u"birth date");
      return;
    }
  }
  const std::u16string y = text::decimal(birth->year);
  if (s.c->maxLength == 8) setText(s, y + twoDigits(birth->month) + twoDigits(birth->day), u"birth date");
  else if (s.c->maxLength == 10) setText(s, y + u"/" + twoDigits(birth->month) + u"/" + twoDigits(birth->day), u"birth date");
}

void fillBirth(std::vector<Slot*>& group, const Profile& profile) {
  if (group.size() == 1 && group[0]->kind == Kind::Date) {
    const auto birth = profile.birth;
    if (birth) setText(*group[0], text::decimal(birth->year) + u"-" + twoDigits(birth->month) + u"-" + twoDigits(birth->day), u"birth date");
    return;
  }
  if (group.size() == 1 && group[0]->kind == Kind::Text &&
      (group[0]->part == Part::None || text::numbersIn(group[0]->c->placeholder).size() >= 3)) {
    fillBirthText(*group[0], profile);
    return;
  }
  // Each box's part: a list's options say it best (years, 1 to 12, 1 to 31, the eras); then the
  // units around the boxes ("[    ] 年 [  ] 月 [  ] 日" has them after, "年 [    ]" before: the
  // side where every box has one), then the box's own words, then its place.
  auto unit = [](const LabelHint& h) {
    return h.topic == Topic::Birth && !h.strong && h.part != Part::Era ? h.part : Part::None;
  };
  bool allAfter = true, allBefore = true;
  for (Slot* s : group) {
    if (birthPartByOptions(*s) == Part::Era) continue;
    allAfter &= unit(s->after) != Part::None;
    allBefore &= unit(s->before) != Part::None;
  }
  bool eraSeen = false;
  static constexpr Part kOrder[] = {Part::Year, Part::Month, Part::Day};
  size_t next = 0;
  for (Slot* s : group) {
    Part part = birthPartByOptions(*s);
    if (part == Part::None) part = allAfter ? unit(s->after) : allBefore ? unit(s->before) : Part::None;
    if (part == Part::None) {
      for (const LabelHint* h : {&s->own, &s->hint, &s->before, &s->tokens}) {
        if (part == Part::None && h->topic == Topic::Birth && h->part != Part::First && h->part != Part::Second &&
            h->part != Part::Third) {
          part = h->part;
        }
      }
    }
    if (part == Part::None && next < 3) part = kOrder[next];
    if (part == Part::Year && (eraSeen || (s->kind != Kind::Select && s->c->maxLength > 0 && s->c->maxLength <= 2)))
      part = Part::EraYear;
    if (part == Part::Era) eraSeen = true;
    for (size_t k = 0; k < 3; ++k) {
      if (kOrder[k] == part || (part == Part::EraYear && k == 0)) next = k + 1;
    }
    fillBirthPart(*s, part, profile);
  }
}

}  // namespace formix::fill::recognition
