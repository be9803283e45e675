#include "fill/recognise/recogniser.h"

#include <algorithm>
#include <map>
#include <optional>

#include "fill/recognise/slot.h"
#include "text/number.h"

namespace formix::fill {

using namespace recognition;

namespace {

using FormKey = std::pair<size_t, int>;  // frame index, form number

// Every control of every frame, with what may be written and what its words ask for.
std::vector<Slot> readControls(const PageFacts& page) {
  std::vector<Slot> slots;
  const bool guardian = guardianIsPerson(page);
  for (size_t f = 0; f < page.frames.size(); ++f) {
    for (const ControlFacts& c : page.frames[f].controls) {
      Slot s;
      s.frame = &page.frames[f];
      s.frameIndex = f;
      s.c = &c;
      s.kind = kindOf(c);
      s.refusal = refusalOf(page, page.frames[f], c, s.kind);
      s.eligible = s.refusal == Refusal::None;
      s.guardianIsPerson = guardian;
      slots.push_back(std::move(s));
    }
  }
  splitSharedHeaders(slots);
  for (Slot& s : slots) {
    if (s.kind != Kind::Other && s.c->visible && s.frame->visible) {
      classify(s);
      readSections(s);
    }
  }
  return slots;
}

// A page with a site search above a registration form, or a log-in beside a sign-up: the form to
// fill is the one that holds the focus, else the one with the most recognised boxes. A focus in
// a form of nothing Formix knows (the site's search box) chooses no form.
std::optional<FormKey> chooseForm(const std::vector<Slot>& slots) {
  std::map<FormKey, int> recognised;
  std::vector<FormKey> focused;
  for (const Slot& s : slots) {
    const FormKey key{s.frameIndex, s.c->form};
    if (s.c->focused && s.refusal != Refusal::FrameOfAnotherSite) focused.push_back(key);
    if (s.eligible && s.topic != Topic::None && s.topic != Topic::Leave) ++recognised[key];
  }
  std::optional<FormKey> chosen;
  int most = 0;
  for (const auto& [key, count] : recognised) {
    const bool hasFocus = std::find(focused.begin(), focused.end(), key) != focused.end();
    if (hasFocus) return key;
    if (count > most) most = count, chosen = key;
  }
  return chosen;
}

// The boxes of the chosen form a person can see, in reading order; the others are left alone.
std::vector<Slot*> boxesOfForm(std::vector<Slot>& slots, const std::optional<FormKey>& chosen) {
  std::vector<Slot*> visible;
  for (Slot& s : slots) {
    const bool inForm = chosen && std::make_pair(s.frameIndex, s.c->form) == *chosen;
    if (!inForm) {
      if (s.refusal == Refusal::None) s.refusal = Refusal::AnotherForm;
      s.eligible = false;
      continue;
    }
    if (s.kind == Kind::Other || !s.c->visible || !s.frame->visible) continue;
    visible.push_back(&s);
  }
  return visible;
}

bool any(const std::vector<Slot*>& boxes, bool (*test)(const Slot*)) { return std::any_of(boxes.begin(), boxes.end(), test); }

// A section about someone or something else (a referrer, a companion, a guardian, a career
// history) is left alone whole; a delivery address's section is a delivery address.
void leaveOthersSections(std::vector<Slot*>& visible) {
  for (Slot* s : visible) {
    if (s->owner == Owner::Delivery) s->delivery = true;
    if (s->owner != Owner::Other || !s->eligible) continue;
    s->eligible = false;
    s->topic = Topic::Leave;  // joins no group of the person's own
    s->refusal = Refusal::OthersSection;
    s->leaveWord = s->ownerWord;
  }
}

// A shop's order form: "ご注文者" with "お届け先" below it, a main mail with a mobile's beside it.
// The mobile's mail box and the delivery address are left alone when the person's own are there.
void leaveSecondAddresses(std::vector<Slot*>& visible) {
  // The boxes of one address share a row of one section: when its header names a delivery
  // address, so do they all, the list of prefectures too, whatever words of their own they have.
  auto addressTopic = [](const Slot* s) {
    return s->topic == Topic::Address || s->topic == Topic::Postal || s->topic == Topic::Prefecture;
  };
  for (const Slot* d : visible) {
    if (!d->delivery || !addressTopic(d) || d->c->rowHeader.empty()) continue;
    for (Slot* s : visible) {
      if (addressTopic(s) && s->frame == d->frame && s->c->rowHeader == d->c->rowHeader && s->c->sections == d->c->sections) {
        s->delivery = true;
      }
    }
  }
  const bool mainMail = any(visible, [](const Slot* s) { return s->topic == Topic::Mail && !s->mobileMail; });
  const bool ownAddress = any(visible, [](const Slot* s) {
    return (s->topic == Topic::Address || s->topic == Topic::Postal || s->topic == Topic::Prefecture) && !s->delivery;
  });
  for (Slot* s : visible) {
    if (s->topic == Topic::Mail && s->mobileMail && mainMail) s->topic = Topic::Leave, s->refusal = Refusal::MobileMailBesideMain;
    const bool addressPart = s->topic == Topic::Address || s->topic == Topic::Postal || s->topic == Topic::Prefecture ||
                             s->topic == Topic::Name || s->topic == Topic::Kana || s->topic == Topic::Tel;
    if (addressPart && s->delivery && ownAddress) s->topic = Topic::Leave, s->refusal = Refusal::DeliveryAddress;
    // "住所（サブ）", "第2住所": a second address, not the person's own.
    if ((s->topic == Topic::Address || s->topic == Topic::Postal) && s->second && !s->confirm) {
      s->topic = Topic::Leave, s->refusal = Refusal::SecondAddress;
    }
  }
}

// "電話番号" and "携帯電話" on one form: the profile holds one number, the landline's. A mobile's
// box alone is where the number goes.
void leaveMobileBesideLandline(std::vector<Slot*>& visible) {
  const bool landline = any(visible, [](const Slot* s) { return s->topic == Topic::Tel; });
  for (Slot* s : visible) {
    if (s->topic != Topic::Mobile) continue;
    if (landline) s->topic = Topic::Leave, s->refusal = Refusal::MobileBesideLandline;
    else s->topic = Topic::Tel;
  }
}

// Names, mail, postal code, telephone, birth date and address split over boxes under one label:
// each group takes its value in parts.
void fillGroups(std::vector<Slot*>& visible, const Profile& profile) {
  const bool prefectureBox = any(visible, [](const Slot* s) { return s->topic == Topic::Prefecture; });
  int number = 0;
  for (std::vector<Slot*>& group : groupsOf(visible)) {
    for (Slot* s : group) s->group = number;
    ++number;
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
}

// The lists and radio buttons that stand alone: prefecture, gender, occupation, age; gender's
// buttons as one group; and "このメールアドレスでログインする" beside each of several mail boxes,
// where the button of the one Formix filled is chosen.
void fillChoices(std::vector<Slot*>& visible, const Profile& profile, const CivilDate& today) {
  // Lists and radio groups number their groups after the boxes'.
  int number = 0;
  for (const Slot* s : visible) number = std::max(number, s->group + 1);
  std::map<std::pair<size_t, std::u16string>, std::vector<Slot*>> radioGroups, occupationGroups, ageGroups, addressChoices, unnamedRadios;
  const Slot* lastMail = nullptr;  // the mail box a radio button stands after
  std::map<const Slot*, const Slot*> mailBefore;
  for (Slot* s : visible) {
    if (isTextLike(s->kind) && (s->topic == Topic::Mail || s->c->type == u"email")) lastMail = s;
    if (s->kind == Kind::Radio) {
      const auto key = std::make_pair(s->frameIndex, s->c->name.empty() ? u"#" + text::decimal(s->c->control) : s->c->name);
      // Buttons of a question a person leaves alone ("ご希望の講師の性別") are no gender's.
      if (s->topic == Topic::Gender || (isGenderWord(s->c->beside) && s->topic != Topic::Leave)) radioGroups[key].push_back(s);
      else if (s->topic == Topic::Occupation) occupationGroups[key].push_back(s);
      else if (s->topic == Topic::Age) ageGroups[key].push_back(s);
      else if (s->topic == Topic::None) unnamedRadios[key].push_back(s);
      else if (isThisAddress(s->c->beside) && lastMail != nullptr) addressChoices[key].push_back(s), mailBefore[s] = lastMail;
      continue;
    }
    if (s->group < 0) s->group = number++;
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
  // Buttons in a line after their question ("年代 ○10代 ○20代"): the words before the first are
  // the question of them all.
  for (auto& [key, radios] : unnamedRadios) {
    if (radioGroups.contains(key) || occupationGroups.contains(key) || ageGroups.contains(key)) continue;
    const LabelHint question = readLabel(radios.front()->c->before);
    if (!question.strong) continue;
    if (question.topic == Topic::Age) ageGroups[key] = radios;
    else if (question.topic == Topic::Occupation) occupationGroups[key] = radios;
  }
  auto free = [](const std::vector<Slot*>& radios) {
    return std::all_of(radios.begin(), radios.end(), [](const Slot* s) { return s->eligible; });
  };
  for (auto& [key, radios] : radioGroups) {
    for (Slot* r : radios) r->group = number;
    ++number;
    // A group the user has touched, or one with a box that cannot be written, is left as it is.
    if (free(radios)) fillGenderRadios(radios, profile);
  }
  for (auto& [key, radios] : occupationGroups) {
    for (Slot* r : radios) r->group = number;
    ++number;
    if (free(radios)) fillOccupationRadios(radios, profile);
  }
  for (auto& [key, radios] : ageGroups) {
    for (Slot* r : radios) r->group = number;
    ++number;
    if (free(radios)) fillAgeRadios(radios, profile, today);
  }
  for (auto& [key, radios] : addressChoices) {
    std::vector<const Slot*> boxes;
    for (const Slot* r : radios) boxes.push_back(mailBefore[r]);
    std::sort(boxes.begin(), boxes.end());
    const bool oneEach = std::adjacent_find(boxes.begin(), boxes.end()) == boxes.end() && radios.size() > 1;
    const auto filled = std::count_if(radios.begin(), radios.end(), [&](const Slot* r) { return mailBefore[r]->fill.has_value(); });
    if (!free(radios) || !oneEach || filled != 1) continue;
    for (Slot* r : radios) {
      if (mailBefore[r]->fill && !r->c->checked) {
        r->fill = ControlFill{r->frame->frame, r->c->control, ControlFill::Kind::Checked, {}, -1, u"the address filled", {}};
      }
    }
  }
}

// What was decided of every control, in page order, and the fills among it.
RecognitionResult report(const std::vector<Slot>& slots) {
  RecognitionResult result;
  for (const Slot& s : slots) {
    std::u16string why(refusalText(s.refusal));
    if (s.refusal == Refusal::LabelWord) why = s.leaveWord;
    else if (!s.leaveWord.empty() && s.refusal == Refusal::OthersSection) why += u" (" + s.leaveWord + u")";
    Recognition r{s.frame->frame, s.c->control, {}, std::move(why), false};
    if (s.fill && s.eligible) {
      r.item = s.fill->item;
      r.filled = true;
      result.fills.push_back(*s.fill);
    } else if (s.refusal == Refusal::None && s.topic == Topic::Leave) {
      r.reason = refusalText(Refusal::LeftAlone);
    }
    result.controls.push_back(std::move(r));
  }
  return result;
}

}  // namespace

RecognitionResult recognise(const PageFacts& page, const Profile& profile, const CivilDate& today) {
  std::vector<Slot> slots = readControls(page);
  std::vector<Slot*> visible = boxesOfForm(slots, chooseForm(slots));
  leaveOthersSections(visible);
  leaveSecondAddresses(visible);
  leaveMobileBesideLandline(visible);
  fillGroups(visible, profile);
  fillChoices(visible, profile, today);
  keepOnePlacePerItem(visible);
  return report(slots);
}

}  // namespace formix::fill
