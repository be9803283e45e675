// The names and their reading, in one box or two.
#include <algorithm>
#include <optional>

#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

// What stands between family and given name in one box: what the page's example has ("例）山田
// 太郎"), or what its words ask ("姓と名の間に全角スペース"); nullopt when neither says.
std::optional<std::u16string> nameBlank(const Slot& s) {
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
  if (example.empty()) return std::nullopt;
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
        if (text::isHiragana(ch)) script = Script::Hiragana;
        else if (text::isKatakana(ch)) script = Script::Katakana;
      }
    }
  }
  const std::optional<std::u16string> blankSaid = group.size() == 1 ? nameBlank(*group.front()) : std::nullopt;
  const std::u16string blank = blankSaid.value_or(u"");
  auto value = [&](int part, Script in, const std::u16string& between) -> std::u16string {
    // 0 family, 1 given, 2 both.
    if (!kana) return part == 0 ? profile.familyName : part == 1 ? profile.givenName : profile.familyName + between + profile.givenName;
    if (part == 2) return kanaIn(profile.familyKana, in) + between + kanaIn(profile.givenKana, in);
    return kanaIn(part == 0 ? profile.familyKana : profile.givenKana, in);
  };
  const std::u16string_view items[2][3] = {{u"family name", u"given name", u"full name"},
                                           {u"family name (kana)", u"given name (kana)", u"full name (kana)"}};
  // What nobody asked for may go either way: a blank between the two names, a reading in
  // hiragana rather than katakana.
  // "フリガナ（半角カナ）": the reading in half-width katakana, and in no other form.
  const bool halfWidthKana = kana && std::any_of(group.begin(), group.end(), [](const Slot* s) { return s->halfWidth && !s->fullWidth; });
  auto set = [&](Slot* s, int part) {
    if (halfWidthKana) {
      const std::u16string between = blankSaid || part != 2 ? blank : u" ";
      setText(*s, halfWidthKatakana(value(part, Script::Katakana, between)), items[kana][part], {{}, false});
      return;
    }
    OtherForms others;
    const bool blankFree = part == 2 && !blankSaid;
    if (blankFree) others.forms.push_back(value(part, script, u" "));
    if (kana && script == Script::Unknown) {
      others.forms.push_back(value(part, Script::Hiragana, blank));
      if (blankFree) others.forms.push_back(value(part, Script::Hiragana, u" "));
    }
    setText(*s, value(part, script, blank), items[kana][part], std::move(others));
  };
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

}  // namespace formix::fill::recognition
