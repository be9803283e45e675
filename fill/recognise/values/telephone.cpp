// The telephone number, whole or in its three parts.
#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillTelephones(std::vector<Slot*>& group, const Profile& profile) {
  const auto& t = profile.telephone;
  if (t[0].empty()) return;
  if (group.size() == 3) {
    setText(*group[0], t[0], u"telephone (1)");
    setText(*group[1], t[1], u"telephone (2)");
    setText(*group[2], t[2], u"telephone (3)");
    return;
  }
  for (Slot* s : group) {
    if (s->second) {
      s->refusal = Refusal::SecondNumber;
      continue;
    }
    if (s->part == Part::First) setText(*s, t[0], u"telephone (1)");
    else if (s->part == Part::Second) setText(*s, t[1], u"telephone (2)");
    else if (s->part == Part::Third) setText(*s, t[2], u"telephone (3)");
    else if (group.size() == 1) {
      const bool hyphens = wantsHyphens(*s, static_cast<int>(t[0].size() + t[1].size() + t[2].size()), 2);
      setText(*s, hyphens ? t[0] + u"-" + t[1] + u"-" + t[2] : t[0] + t[1] + t[2], u"telephone");
    }
  }
}

}  // namespace formix::fill::recognition
