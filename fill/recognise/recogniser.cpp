#include "fill/recognise/recogniser.h"

#include <algorithm>
#include <map>
#include <optional>

#include "fill/recognise/slot.h"
#include "text/number.h"

namespace formix::fill {

using namespace recognition;

RecognitionResult recognise(const PageFacts& page, const Profile& profile, const CivilDate& today) {
  std::vector<Slot> slots;
  for (size_t f = 0; f < page.frames.size(); ++f) {
    for (const ControlFacts& c : page.frames[f].controls) {
      Slot s;
      s.frame = &page.frames[f];
      s.frameIndex = f;
      s.c = &c;
      s.kind = kindOf(c);
      s.reason = refusal(page, page.frames[f], c, s.kind);
      s.eligible = s.reason.empty();
      if (s.kind != Kind::Other && c.visible && s.frame->visible) classify(s);
      slots.push_back(std::move(s));
    }
  }

  // The form to fill: the one that holds the focus, else the one with the most recognised boxes.
  // A focus in a form of nothing Formix knows (the site's search box) chooses no form.
  using FormKey = std::pair<size_t, int>;
  std::map<FormKey, int> recognised;
  std::vector<FormKey> focused;
  for (const Slot& s : slots) {
    const FormKey key{s.frameIndex, s.c->form};
    if (s.c->focused && s.reason != u"frame of another site") focused.push_back(key);
    if (s.eligible && s.topic != Topic::None && s.topic != Topic::Leave) ++recognised[key];
  }
  std::optional<FormKey> chosen;
  int most = 0;
  for (const auto& [key, count] : recognised) {
    const bool hasFocus = std::find(focused.begin(), focused.end(), key) != focused.end();
    if (hasFocus) {
      chosen = key;
      break;
    }
    if (count > most) most = count, chosen = key;
  }

  // The boxes of that form a person can see, in reading order; the others are left alone.
  std::vector<Slot*> visible;
  for (Slot& s : slots) {
    const bool inForm = chosen && std::make_pair(s.frameIndex, s.c->form) == *chosen;
    if (!inForm) {
      if (s.reason.empty()) s.reason = u"another form";
      s.eligible = false;
      continue;
    }
    if (s.kind == Kind::Other || !s.c->visible || !s.frame->visible) continue;
    visible.push_back(&s);
  }

  // A mobile's mail box beside another mail box, and a delivery address beside the person's
  // own, are left alone.
  const bool mainMail = std::any_of(visible.begin(), visible.end(), [](const Slot* s) { return s->topic == Topic::Mail && !s->mobileMail; });
  const bool ownAddress = std::any_of(visible.begin(), visible.end(), [](const Slot* s) {
    return (s->topic == Topic::Address || s->topic == Topic::Postal || s->topic == Topic::Prefecture) && !s->delivery;
  });
  for (Slot* s : visible) {
    if (s->topic == Topic::Mail && s->mobileMail && mainMail) s->topic = Topic::Leave, s->reason = u"a mobile's mail beside the main one";
    const bool addressPart = s->topic == Topic::Address || s->topic == Topic::Postal || s->topic == Topic::Prefecture ||
                             s->topic == Topic::Name || s->topic == Topic::Kana || s->topic == Topic::Tel;
    if (addressPart && s->delivery && ownAddress) s->topic = Topic::Leave, s->reason = u"delivery address";
  }
  const bool landline = std::any_of(visible.begin(), visible.end(), [](const Slot* s) { return s->topic == Topic::Tel; });
  const bool prefectureBox = std::any_of(visible.begin(), visible.end(), [](const Slot* s) { return s->topic == Topic::Prefecture; });
  for (Slot* s : visible) {
    if (s->topic == Topic::Mobile) {
      if (landline) s->topic = Topic::Leave, s->reason = u"mobile beside a landline";
      else s->topic = Topic::Tel;
    }
  }

  std::vector<std::vector<Slot*>> groups = groupsOf(visible);
  for (std::vector<Slot*>& group : groups) {
    switch (group.front()->topic) {
      case Topic::Name:
      case Topic::Kana: fillNames(group, profile); break;
      case Topic::Mail: fillMails(group, profile); break;
      case Topic::Postal: fillPostal(group, profile); break;
      case Topic::Tel: fillTelephones(group, profile); break;
      case Topic::Birth: fillBirth(group, profile); break;
      case Topic::Address: fillAddresses(group, profile, prefectureBox); break;
      default: break;
    }
  }
  // Boxes that stand alone.
  std::map<std::pair<size_t, std::u16string>, std::vector<Slot*>> radioGroups, addressChoices;
  const Slot* lastMail = nullptr;  // the mail box a radio button stands after
  std::map<const Slot*, const Slot*> mailBefore;
  for (Slot* s : visible) {
    if (isTextLike(s->kind) && (s->topic == Topic::Mail || s->c->type == u"email")) lastMail = s;
    if (s->kind == Kind::Radio) {
      const auto key = std::make_pair(s->frameIndex, s->c->name.empty() ? u"#" + text::decimal(s->c->control) : s->c->name);
      if (s->topic == Topic::Gender || isGenderWord(s->c->beside)) radioGroups[key].push_back(s);
      else if (isThisAddress(s->c->beside) && lastMail != nullptr) addressChoices[key].push_back(s), mailBefore[s] = lastMail;
      continue;
    }
    switch (s->topic) {
      case Topic::Prefecture: fillPrefecture(*s, profile); break;
      case Topic::Gender:
        if (s->kind == Kind::Select) fillGenderSelect(*s, profile);
        break;
      case Topic::Occupation: fillOccupation(*s, profile); break;
      case Topic::Age: fillAge(*s, profile, today); break;
      default: break;
    }
  }
  for (auto& [key, radios] : radioGroups) {
    // A group the user has touched, or one with a box that cannot be written, is left as it is.
    const bool free = std::all_of(radios.begin(), radios.end(), [](const Slot* s) { return s->eligible; });
    if (free) fillGenderRadios(radios, profile);
  }
  // "このメールアドレスでログインする" beside each of several mail boxes: the one Formix filled.
  for (auto& [key, radios] : addressChoices) {
    const bool free = std::all_of(radios.begin(), radios.end(), [](const Slot* s) { return s->eligible; });
    std::vector<const Slot*> boxes;
    for (const Slot* r : radios) boxes.push_back(mailBefore[r]);
    std::sort(boxes.begin(), boxes.end());
    const bool oneEach = std::adjacent_find(boxes.begin(), boxes.end()) == boxes.end() && radios.size() > 1;
    const auto filled = std::count_if(radios.begin(), radios.end(), [&](const Slot* r) { return mailBefore[r]->fill.has_value(); });
    if (!free || !oneEach || filled != 1) continue;
    for (Slot* r : radios) {
      if (mailBefore[r]->fill && !r->c->checked) {
        r->fill = ControlFill{r->frame->frame, r->c->control, ControlFill::Kind::Checked, {}, -1, u"the address filled"};
      }
    }
  }

  RecognitionResult result;
  for (Slot& s : slots) {
    Recognition r{s.frame->frame, s.c->control, {}, s.reason, false};
    if (s.fill && s.eligible) {
      r.item = s.fill->item;
      r.filled = true;
      result.fills.push_back(*s.fill);
    } else if (s.reason.empty() && s.topic == Topic::Leave) {
      r.reason = u"left alone";
    }
    result.controls.push_back(std::move(r));
  }
  return result;
}

}  // namespace formix::fill
