// The postal code, whole or in its two parts.
#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillPostal(std::vector<Slot*>& group, const Profile& profile) {
  const std::u16string& a = profile.postalFirst;
  const std::u16string& b = profile.postalLast;
  if (group.size() == 2) {
    setText(*group[0], a, u"postal code (3)");
    setText(*group[1], b, u"postal code (4)");
  } else if (group.size() == 1 && !a.empty() && !b.empty()) {
    Slot& s = *group[0];
    setNumber(s, a + u"-" + b, u"postal code");
  }
}

}  // namespace formix::fill::recognition
