#include <algorithm>
#include <span>

#include "fill/recognise/slot.h"
#include "text/compare.h"
#include "text/utf.h"

namespace formix::fill::recognition {

std::u16string number(long n) { return text::widen(std::to_string(n)); }

std::u16string twoDigits(int n) { return n < 10 ? u"0" + number(n) : number(n); }

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
  if (s.fullWidth && !s.halfWidth) return toFullWidth(value);
  if (s.halfWidth) return toHalfWidth(value);
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
    const auto n = numbersIn(text);
    return !isPrompt(text) && !n.empty() && n.front() == wanted;
  });
  if (byText) return byText;
  return findOption(s.c->options, [&](const std::u16string& text, const std::u16string& value) {
    const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    return digits && !isPrompt(text) && numbersIn(value).front() == wanted;
  });
}

std::optional<int> optionByText(const Slot& s, std::u16string_view wanted) {
  const std::u16string w = folded(wanted);
  if (w.empty()) return std::nullopt;
  return findOption(s.c->options, [&](const std::u16string& text, const std::u16string& value) { return text == w || value == w; });
}

void fillPrefecture(Slot& s, const Profile& profile) {
  const std::u16string pref = profile.pref();
  if (pref.empty()) return;
  if (s.kind == Kind::Select) {
    std::optional<int> at = optionByText(s, pref);
    // "東京都" is "東京" on some lists.
    if (!at && pref.size() > 2) at = optionByText(s, std::u16string_view(pref).substr(0, pref.size() - 1));
    setOption(s, at, u"prefecture");
  } else {
    setText(s, pref, u"prefecture");
  }
}

void fillGenderSelect(Slot& s, const Profile& profile) {
  const bool male = profile.p.maleSelected;
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
              if (text.empty()) return false;
              return male ? (text[0] == u'男' || text == u"male" || text == u"m")
                          : (text[0] == u'女' || text == u"female" || text == u"f");
            }),
            male ? u"gender (男)" : u"gender (女)");
}

void fillOccupation(Slot& s, const Profile& profile) {
  const std::u16string job = profile.occupation();
  if (job.empty()) return;
  // "会社員" is also "会社員（正社員）" or "会社員・公務員" on some lists.
  const std::u16string wanted = folded(job);
  if (s.kind == Kind::Select) {
    std::optional<int> at = optionByText(s, job);
    if (!at) {
      at = findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
        size_t start = 0;
        while (start <= text.size()) {
          size_t end = text.find_first_of(u"・/／(（、", start);
          if (end == std::u16string::npos) end = text.size();
          if (text.substr(start, end - start) == wanted) return true;
          start = end + 1;
        }
        return false;
      });
    }
    setOption(s, at, u"occupation");
  } else {
    setText(s, job, u"occupation");
  }
}

void fillAge(Slot& s, const Profile& profile) {
  const auto birth = profile.birth();
  if (!birth) return;
  const int age = iGetAge(birth->year, birth->month, birth->day, profile.today);
  if (s.kind != Kind::Select) {
    setText(s, number(age), u"age");
    return;
  }
  // A list of ages, or of brackets: "40代", "40～49歳", "40歳以上".
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
              const auto n = numbersIn(text);
              if (n.empty() || isPrompt(text)) return false;
              if (text.find(u"代") != std::u16string::npos) return n[0] <= age && age < n[0] + 10;
              if (n.size() >= 2) return n[0] <= age && age <= n[1];
              if (text.find(u"以上") != std::u16string::npos) return age >= n[0];
              if (text.find(u"以下") != std::u16string::npos || text.find(u"未満") != std::u16string::npos) return age <= n[0];
              return n[0] == age;
            }),
            u"age");
}

// The era of a birth list: "昭和" among "明治 … 令和", by name or by a value naming it.
void fillEra(Slot& s, const Profile& profile) {
  const auto birth = profile.birth();
  if (!birth) return;
  const auto era = japaneseEra(*birth);
  if (!era) return;
  const std::u16string name(era->name);
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
              return text.find(text::foldText(name)) != std::u16string::npos;
            }),
            u"birth era");
}

void fillBirthPart(Slot& s, Part part, const Profile& profile) {
  const auto birth = profile.birth();
  if (!birth) return;
  const auto era = japaneseEra(*birth);
  switch (part) {
    case Part::Year:
      if (s.kind == Kind::Select) {
        std::optional<int> at = optionByNumber(s, birth->year);
        if (!at && era) {
          const std::u16string eraText = folded(std::u16string(era->name) + number(era->year));
          at = findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
            return text.find(eraText) != std::u16string::npos;
          });
        }
        setOption(s, at, u"birth year");
      } else {
        setText(s, number(birth->year), u"birth year");
      }
      break;
    case Part::EraYear:
      if (!era) break;
      if (s.kind == Kind::Select) setOption(s, optionByNumber(s, era->year), u"birth year (era)");
      else setText(s, number(era->year), u"birth year (era)");
      break;
    case Part::Era:
      if (s.kind == Kind::Select) fillEra(s, profile);
      break;
    case Part::Month:
    case Part::Day: {
      const int n = part == Part::Month ? birth->month : birth->day;
      const std::u16string_view item = part == Part::Month ? u"birth month" : u"birth day";
      if (s.kind == Kind::Select) setOption(s, optionByNumber(s, n), item);
      else setText(s, s.c->maxLength == 2 && exampleHyphens({s.c->placeholder}, 2) != Hyphens::Unknown &&
                              s.c->placeholder.size() >= 2 && s.c->placeholder[0] == u'0'
                          ? twoDigits(n)
                          : number(n),
                   item);
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
      if (numbersIn(t).empty()) eras = true;
    }
    const auto n = numbersIn(t);
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

// ---- One group at a time ----

// What stands between family and given name in one box: what the page's example has ("例）山田
// 太郎"), or what its words ask ("姓と名の間に全角スペース"); nothing otherwise.
std::u16string nameBlank(const Slot& s) {
  for (const std::u16string* t : {&s.c->placeholder, &s.c->title, &s.c->after, &s.c->label, &s.c->rowHeader, &s.c->before}) {
    const std::u16string f = text::foldText(*t);
    const bool asked = f.find(u"スペース") != std::u16string::npos || f.find(u"空白") != std::u16string::npos;
    if (asked) {
      if (f.find(u"なし") != std::u16string::npos || f.find(u"不要") != std::u16string::npos ||
          f.find(u"入れず") != std::u16string::npos || f.find(u"詰め") != std::u16string::npos) {
        return u"";
      }
      return t->find(u"全角") != std::u16string::npos ? u"　" : u" ";
    }
  }
  // The example: what follows "例" and its punctuation, two words apart.
  std::u16string_view example = s.c->placeholder;
  if (const size_t at = example.find(u'例'); at != std::u16string_view::npos) example = example.substr(at + 1);
  while (!example.empty() && std::u16string_view(u"）):：.． 　").find(example.front()) != std::u16string_view::npos) {
    example.remove_prefix(1);
  }
  const size_t gap = example.find_first_of(u" 　");
  if (gap == std::u16string_view::npos || gap == 0 || gap + 1 >= example.size()) return u"";
  const std::u16string_view rest = example.substr(gap + 1);
  if (rest.find_first_of(u" 　") != std::u16string_view::npos) return u"";
  return std::u16string(1, example[gap]);
}

void fillNames(std::vector<Slot*>& group, const Profile& profile) {
  const bool kana = group.front()->topic == Topic::Kana;
  Script script = Script::Unknown;
  for (Slot* s : group) {
    if (script == Script::Unknown) script = s->script;
  }
  if (script == Script::Unknown) {
    // The page's own example shows the script: "例）やまだ".
    for (Slot* s : group) {
      for (char16_t ch : s->c->placeholder + s->c->title) {
        if (script != Script::Unknown) break;
        if (ch >= 0x3041 && ch <= 0x3096) script = Script::Hiragana;
        else if (ch >= 0x30A1 && ch <= 0x30FA) script = Script::Katakana;
      }
    }
  }
  const std::u16string blank = group.size() == 1 ? nameBlank(*group.front()) : u"";
  auto value = [&](int part) -> std::u16string {
    // 0 family, 1 given, 2 both.
    if (!kana) return part == 0 ? profile.family() : part == 1 ? profile.given() : profile.family() + blank + profile.given();
    if (part == 2) return profile.kana(2, script) + blank + profile.kana(3, script);
    return profile.kana(part == 0 ? 2 : 3, script);
  };
  const std::u16string_view items[2][3] = {{u"family name", u"given name", u"full name"},
                                           {u"family name (kana)", u"given name (kana)", u"full name (kana)"}};
  auto set = [&](Slot* s, int part) { setText(*s, value(part), items[kana][part]); };
  if (group.size() == 1) {
    Slot* s = group.front();
    set(s, s->part == Part::Family ? 0 : s->part == Part::Given ? 1 : 2);
    return;
  }
  if (group.size() == 2) {
    const Part a = group[0]->part, b = group[1]->part;
    if (a == Part::Given && b == Part::Family) {
      set(group[0], 1);
      set(group[1], 0);
    } else {
      set(group[0], 0);
      set(group[1], 1);
    }
  }
}

void fillMails(std::vector<Slot*>& group, const Profile& profile) {
  const std::u16string mail = profile.mail();
  auto atSign = [](const std::u16string& t) { return t == u"@" || t == u"＠"; };
  if (group.size() == 2 && (atSign(group[0]->c->after) || atSign(group[1]->c->before) ||
                            group[0]->part == Part::Local || group[1]->part == Part::Domain)) {
    setText(*group[0], profile.p.txtAUTO[4], u"mail (before @)");
    setText(*group[1], profile.p.txtAUTO[5], u"mail (after @)");
    return;
  }
  for (Slot* s : group) {
    if (s->second && !s->confirm) {
      s->reason = u"a second address";
      continue;
    }
    setText(*s, mail, s->confirm || s != group.front() ? u"mail (confirmation)" : u"mail");
  }
}

void fillPostal(std::vector<Slot*>& group, const Profile& profile) {
  const std::u16string& a = profile.p.txtAUTO[6];
  const std::u16string& b = profile.p.txtAUTO[7];
  if (group.size() == 2) {
    setText(*group[0], a, u"postal code (3)");
    setText(*group[1], b, u"postal code (4)");
  } else if (group.size() == 1 && !a.empty() && !b.empty()) {
    Slot& s = *group[0];
    setText(s, wantsHyphens(s, 7, 1) ? a + u"-" + b : a + b, u"postal code");
  }
}

void fillTelephones(std::vector<Slot*>& group, const Profile& profile) {
  const auto& t = profile.p.txtAUTO;
  if (t[13].empty()) return;
  if (group.size() == 3) {
    setText(*group[0], t[13], u"telephone (1)");
    setText(*group[1], t[14], u"telephone (2)");
    setText(*group[2], t[15], u"telephone (3)");
    return;
  }
  for (Slot* s : group) {
    if (s->second) {
      s->reason = u"a second number";
      continue;
    }
    if (s->part == Part::First) setText(*s, t[13], u"telephone (1)");
    else if (s->part == Part::Second) setText(*s, t[14], u"telephone (2)");
    else if (s->part == Part::Third) setText(*s, t[15], u"telephone (3)");
    else if (group.size() == 1) {
      const bool hyphens = wantsHyphens(*s, static_cast<int>(t[13].size() + t[14].size() + t[15].size()), 2);
      setText(*s, hyphens ? t[13] + u"-" + t[14] + u"-" + t[15] : t[13] + t[14] + t[15], u"telephone");
    }
  }
}

// A whole birth date in one text box, written like the page's example ("例：19800515",
// "1980/01/01", "1980年1月1日"), or by its length (8: digits only, 10: with slashes).
void fillBirthText(Slot& s, const Profile& profile) {
  const auto birth = profile.birth();
  if (!birth) return;
  const std::u16string y = number(birth->year);
  for (const std::u16string* t : {&s.c->placeholder, &s.c->title, &s.c->after, &s.c->before, &s.c->below}) {
    for (size_t i = 0; i + 4 <= t->size(); ++i) {
      auto digit = [&](size_t k) { return k < t->size() && (*t)[k] >= u'0' && (*t)[k] <= u'9'; };
      if (!(digit(i) && digit(i + 1) && digit(i + 2) && digit(i + 3)) || (i > 0 && digit(i - 1))) continue;
      size_t k = i + 4;
      if (digit(k) && digit(k + 1) && digit(k + 2) && digit(k + 3) && !digit(k + 4)) {
        setText(s, y + twoDigits(birth->month) + twoDigits(birth->day), u"birth date");
        return;
      }
      const char16_t sep = k < t->size() ? (*t)[k] : u'\0';
      if (sep != u'/' && sep != u'-' && sep != u'年' && sep != u'.') continue;
      const bool padded = digit(k + 1) && digit(k + 2);
      auto part = [&](int n) { return padded ? twoDigits(n) : number(n); };
      if (sep == u'年') setText(s, y + u"年" + part(birth->month) + u"月" + part(birth->day) + u"日", u"birth date");
      else setText(s, y + sep + part(birth->month) + sep + part(birth->day), u"birth date");
      return;
    }
  }
  if (s.c->maxLength == 8) setText(s, y + twoDigits(birth->month) + twoDigits(birth->day), u"birth date");
  else if (s.c->maxLength == 10) setText(s, y + u"/" + twoDigits(birth->month) + u"/" + twoDigits(birth->day), u"birth date");
}

void fillBirth(std::vector<Slot*>& group, const Profile& profile) {
  if (group.size() == 1 && group[0]->kind == Kind::Date) {
    const auto birth = profile.birth();
    if (birth) setText(*group[0], number(birth->year) + u"-" + twoDigits(birth->month) + u"-" + twoDigits(birth->day), u"birth date");
    return;
  }
  if (group.size() == 1 && group[0]->kind == Kind::Text &&
      (group[0]->part == Part::None || numbersIn(group[0]->c->placeholder).size() >= 3)) {
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

void fillAddresses(std::vector<Slot*>& group, const Profile& profile, bool prefectureBox) {
  const std::u16string& line = profile.p.txtAUTO[8];
  const std::u16string& building = profile.p.txtAUTO[9];
  const CityLine city = profile.city();
  const StreetLine street = splitStreet(city.rest);

  // Which part each box is: its own label; the header of its row when each box has a row of its
  // own; the words before it, or the note under it when the boxes share one row, the first has
  // no words before it and every box has a note that names a part (hints under the boxes); the
  // label blocks above the boxes when every box has one (a hint under one box is the block above
  // the next); its hints; its name.
  std::vector<Part> parts;
  auto ownPart = [](const LabelHint& h) { return h.topic == Topic::Address ? h.part : Part::None; };
  auto every = [&](auto part) { return std::all_of(group.begin(), group.end(), [&](const Slot* s) { return part(*s) != Part::None; }); };
  const bool rowsOfTheirOwn = group.size() > 1 && std::all_of(group.begin() + 1, group.end(), [&](const Slot* s) {
    return s->c->rowHeader != group.front()->c->rowHeader;
  });
  const bool notes = group.size() > 1 && !rowsOfTheirOwn && ownPart(group.front()->before) == Part::None &&
                     every([&](const Slot& s) { return ownPart(s.after) != Part::None ? ownPart(s.after) : ownPart(s.below); });
  const bool blocks = every([&](const Slot& s) { return ownPart(s.block); });
  for (Slot* s : group) {
    Part p = ownPart(s->own);
    if (p == Part::None && rowsOfTheirOwn) p = ownPart(s->row);
    if (p == Part::None && notes) p = ownPart(s->after) != Part::None ? ownPart(s->after) : ownPart(s->below);
    if (p == Part::None && !notes) p = ownPart(s->before);
    if (p == Part::None && blocks) p = ownPart(s->block);
    if (p == Part::None) p = ownPart(s->hint);
    if (p == Part::None) p = ownPart(s->row);
    if (p == Part::None && s->tokens.topic == Topic::Address) p = s->tokens.part;
    if (p == Part::None) p = s->part;  // autocomplete's address-line1 and the like
    if (p < Part::City || p > Part::WholeAddress) p = Part::None;
    parts.push_back(p);
  }
  if (std::all_of(parts.begin(), parts.end(), [](Part p) { return p == Part::None; })) {
    if (group.size() == 1) parts[0] = prefectureBox ? Part::AfterPrefecture : Part::WholeAddress;
    else if (group.size() == 2) parts = {Part::CityLine, Part::Building};
    else if (group.size() == 3) parts = {Part::City, Part::Street, Part::Building};
  }
  // A note under the address ("英数字は全角で") speaks for all of its boxes.
  const bool fullWidth = std::any_of(group.begin(), group.end(), [](const Slot* s) { return s->fullWidth && !s->halfWidth; });
  for (Slot* s : group) s->fullWidth |= fullWidth;
  const bool cityAlone = std::find(parts.begin(), parts.end(), Part::City) != parts.end();
  const bool townAlone = std::find(parts.begin(), parts.end(), Part::Town) != parts.end();
  auto join = [](const std::u16string& a, const std::u16string& b) { return a.empty() ? b : b.empty() ? a : a + u" " + b; };
  // "市区町村名" and "番地・ビル名": the town's name goes with the city, the numbers with the building.
  const bool numbersWithBuilding = cityAlone && !townAlone &&
                                   std::find(parts.begin(), parts.end(), Part::StreetBuilding) != parts.end() &&
                                   std::find(parts.begin(), parts.end(), Part::Street) == parts.end();
  for (size_t k = 0; k < group.size(); ++k) {
    Slot& s = *group[k];
    switch (parts[k]) {
      case Part::City: setText(s, numbersWithBuilding ? city.city + street.town : city.city, u"city"); break;
      case Part::Street: setText(s, townAlone ? street.number : city.rest, u"street"); break;
      case Part::Town: setText(s, street.town, u"town"); break;
      case Part::Number: setText(s, street.number, u"block and number"); break;
      case Part::CityLine: setText(s, line, u"city line"); break;
      case Part::StreetBuilding:
        setText(s, numbersWithBuilding ? join(street.number, building) : cityAlone ? join(city.rest, building) : building,
                u"street and building");
        break;
      case Part::Building: setText(s, building, u"building"); break;
      case Part::AfterPrefecture: setText(s, line + building, u"address"); break;
      case Part::WholeAddress:
        setText(s, (prefectureBox ? u"" : profile.pref()) + line + building, u"address");
        break;
      default: break;
    }
  }
}

// Gender radio buttons: the one whose words (or value) name the profile's gender.
void fillGenderRadios(std::vector<Slot*>& radios, const Profile& profile) {
  const bool male = profile.p.maleSelected;
  auto says = [](const std::u16string& f, bool forMale) {
    if (f.empty()) return false;
    static constexpr std::u16string_view kMale[] = {u"男", u"男性", u"male", u"man", u"m", u"男子"};
    static constexpr std::u16string_view kFemale[] = {u"女", u"女性", u"female", u"woman", u"f", u"女子"};
    for (std::u16string_view w : forMale ? std::span(kMale) : std::span(kFemale)) {
      if (f == folded(w)) return true;
    }
    return f.front() == (forMale ? u'男' : u'女');
  };
  auto wordsOf = [](const Slot* s) { return folded(!s->c->beside.empty() ? s->c->beside : s->c->label); };
  const bool byWords = std::any_of(radios.begin(), radios.end(), [&](const Slot* s) {
    return says(wordsOf(s), true) || says(wordsOf(s), false);
  });
  Slot* chosen = nullptr;
  for (Slot* s : radios) {
    const std::u16string f = byWords ? wordsOf(s) : folded(s->c->value);
    const bool match = says(f, male) || (!byWords && f == (male ? u"1" : u"2"));
    if (match && chosen == nullptr) chosen = s;
  }
  if (chosen == nullptr || chosen->c->checked) return;
  chosen->fill = ControlFill{chosen->frame->frame, chosen->c->control, ControlFill::Kind::Checked, {}, -1,
                             male ? u"gender (男)" : u"gender (女)"};
}

// A radio button that chooses the address beside it: "このメールアドレスでログインする".
bool isThisAddress(const std::u16string& words) {
  const std::u16string f = folded(words);
  static const std::u16string kThisMail = folded(u"このメールアドレス"), kThisAddress = folded(u"このアドレス");
  return f.find(kThisMail) != std::u16string::npos || f.find(kThisAddress) != std::u16string::npos;
}

bool isGenderWord(const std::u16string& words) {
  const std::u16string f = folded(words);
  return !f.empty() && (f.front() == u'男' || f.front() == u'女' || f == u"male" || f == u"female");
}

}  // namespace formix::fill::recognition
