// The lists and buttons of a choice: gender, occupation.
#include <algorithm>

#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillGenderSelect(Slot& s, const Profile& profile) {
  const bool male = profile.male;
  setOption(s, findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) {
              return text::namesGender(text, male);
            }),
            u"gender (" + std::u16string(male ? text::kMaleCaption : text::kFemaleCaption) + u")");
}

void fillOccupation(Slot& s, const Profile& profile) {
  const std::u16string job = profile.occupation;
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

// Gender radio buttons: the one whose words (or value) name the profile's gender.
void fillGenderRadios(std::vector<Slot*>& radios, const Profile& profile) {
  const bool male = profile.male;
  auto says = [](const std::u16string& f, bool forMale) { return text::namesGender(f, forMale); };
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
                             u"gender (" + std::u16string(male ? text::kMaleCaption : text::kFemaleCaption) + u")"};
}

bool isGenderWord(const std::u16string& words) {
  return text::isGenderWord(folded(words));
}

}  // namespace formix::fill::recognition
