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

namespace {

// "会社員" is also "会社員（正社員）" or "会社員・公務員" on some lists: one of the words an option
// joins. Both folded.
bool namesOccupation(const std::u16string& option, const std::u16string& wanted) {
  size_t start = 0;
  while (start <= option.size()) {
    size_t end = option.find_first_of(u"・/／(（、)）", start);
    if (end == std::u16string::npos) end = option.size();
    if (option.substr(start, end - start) == wanted) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

void fillOccupation(Slot& s, const Profile& profile) {
  const std::u16string job = profile.occupation;
  if (job.empty()) return;
  const std::u16string wanted = folded(job);
  if (s.kind == Kind::Select) {
    std::optional<int> at = optionByText(s, job);
    if (!at) {
      at = findOption(s.c->options, [&](const std::u16string& text, const std::u16string&) { return namesOccupation(text, wanted); });
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
                             u"gender (" + std::u16string(male ? text::kMaleCaption : text::kFemaleCaption) + u")", {}};
}

bool isGenderWord(const std::u16string& words) {
  return text::isGenderWord(folded(words));
}

}  // namespace formix::fill::recognition

namespace formix::fill::recognition {

// Occupation radio buttons: the one whose words name the profile's occupation, alone or among
// the words of a compound ("会社員・公務員").
void fillOccupationRadios(std::vector<Slot*>& radios, const Profile& profile) {
  if (profile.occupation.empty()) return;
  const std::u16string wanted = folded(profile.occupation);
  Slot* chosen = nullptr;
  for (Slot* s : radios) {
    const std::u16string words = folded(!s->c->beside.empty() ? s->c->beside : s->c->label);
    if (words == wanted && chosen == nullptr) chosen = s;
  }
  for (Slot* s : radios) {
    if (chosen == nullptr && namesOccupation(folded(!s->c->beside.empty() ? s->c->beside : s->c->label), wanted)) chosen = s;
  }
  if (chosen == nullptr || chosen->c->checked) return;
  chosen->fill = ControlFill{chosen->frame->frame, chosen->c->control, ControlFill::Kind::Checked, {}, -1, u"occupation", {}};
}

}  // namespace formix::fill::recognition
