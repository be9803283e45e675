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
    // A box alone takes the whole number, whatever its name's "tel1" says, unless it is sized
    // for a part or its label names one ("市外局番").
    const bool namedPart = s->own.part != Part::None || s->before.part != Part::None || s->hint.part != Part::None ||
                           s->row.part != Part::None;
    const bool partSized = s->c->maxLength > 0 && s->c->maxLength <= 5;
    if (group.size() == 1 && !namedPart && !partSized) {
      setNumber(*s, t[0] + u"-" + t[1] + u"-" + t[2], u"telephone");
    } else if (s->part == Part::First) setText(*s, t[0], u"telephone (1)");
    else if (s->part == Part::Second) setText(*s, t[1], u"telephone (2)");
    else if (s->part == Part::Third) setText(*s, t[2], u"telephone (3)");

  }
}

}  // namespace formix::fill::recognition
