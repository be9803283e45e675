// The mail address: whole, in its two halves, its confirmation; the radio button that picks it.
#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillMails(std::vector<Slot*>& group, const Profile& profile) {
  const std::u16string mail = profile.mail();
  auto atSign = [](const std::u16string& t) { return t == u"@" || t == u"＠"; };
  if (group.size() == 2 && (atSign(group[0]->c->after) || atSign(group[1]->c->before) ||
                            group[0]->part == Part::Local || group[1]->part == Part::Domain)) {
    // Its confirmation's halves repeat it: no second place of the item.
    const bool confirm = group[0]->confirm || group[1]->confirm;
    setText(*group[0], profile.mailLocal, confirm ? u"mail (confirmation, before @)" : u"mail (before @)", {{}, false});
    setText(*group[1], profile.mailDomain, confirm ? u"mail (confirmation, after @)" : u"mail (after @)", {{}, false});
    return;
  }
  for (Slot* s : group) {
    if (s->second && !s->confirm) {
      s->refusal = Refusal::SecondAddress;
      continue;
    }
    // A mail address has one width: a full-width one is another, wrong address.
    setText(*s, mail, s->confirm || s != group.front() ? u"mail (confirmation)" : u"mail", {{}, false});
  }
}

// A radio button that chooses the address beside it: "このメールアドレスでログインする".
bool isThisAddress(const std::u16string& words) {
  const std::u16string f = folded(words);
  static const std::u16string kThisMail = folded(u"このメールアドレス"), kThisAddress = folded(u"このアドレス");
  return f.find(kThisMail) != std::u16string::npos || f.find(kThisAddress) != std::u16string::npos;
}

}  // namespace formix::fill::recognition
