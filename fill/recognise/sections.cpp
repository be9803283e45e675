// Whose details a section of a form asks for, read from the headings a control sits under.
#include <algorithm>

#include "fill/recognise/slot.h"
#include "text/compare.h"

namespace formix::fill::recognition {
namespace {

// The words of a heading that name whose details follow. One heading may name two: "保護者様（お申
//込者）" is the applicant's own block, so an own word beats another person's in the same heading,
// and "以外" ("ご宿泊されるお客様（代表者以外）") turns the whole heading to someone else.
struct OwnerWord {
  std::u16string_view text;
  Owner owner;
};
constexpr OwnerWord kOwnerWords[] = {
    // Someone or something other than the person.
    {u"紹介者", Owner::Other}, {u"緊急連絡", Owner::Other}, {u"保護者", Owner::Other}, {u"勤務先", Owner::Other},
    {u"勤め先", Owner::Other}, {u"学歴", Owner::Other}, {u"職歴", Owner::Other}, {u"経歴", Owner::Other},
    {u"同伴", Owner::Other}, {u"同行者", Owner::Other}, {u"お連れ様", Owner::Other}, {u"お子様", Owner::Other},
    {u"家族", Owner::Other}, {u"配偶者", Owner::Other}, {u"保証人", Owner::Other}, {u"以外", Owner::Except},
    // A delivery address: left alone beside the person's own address.
    {u"お届け先", Owner::Delivery}, {u"配送先", Owner::Delivery}, {u"送付先", Owner::Delivery}, {u"配達先", Owner::Delivery},
    {u"発送先", Owner::Delivery},
    // The person's own.
    {u"本人", Owner::Own}, {u"申込者", Owner::Own}, {u"申し込み者", Owner::Own}, {u"お客様", Owner::Own},
    {u"会員", Owner::Own}, {u"購入者", Owner::Own}, {u"予約者", Owner::Own}, {u"代表者", Owner::Own},
    {u"入会者", Owner::Own}, {u"応募者", Owner::Own}, {u"依頼主", Owner::Own}, {u"契約者", Owner::Own},
    {u"受講者", Owner::Own}, {u"注文者", Owner::Own}, {u"依頼者", Owner::Own},
};

// A section about the person's child ("お子様の情報"): the guardian the form also asks for is
// the person.
constexpr std::u16string_view kChildWords[] = {u"お子様", u"お子さま", u"お子さん"};
constexpr std::u16string_view kGuardian = u"保護者";

struct Heading {
  Owner owner = Owner::None;
  std::u16string word;
};

// What one heading says: someone else ("以外" wins), the person's own, a delivery address, or
// nothing.
Heading readHeading(std::u16string_view heading) {
  const text::FoldedText folded(heading);
  Heading found[4];  // by Owner: Other, Except, Delivery, Own
  auto slot = [](Owner o) { return o == Owner::Other ? 0 : o == Owner::Except ? 1 : o == Owner::Delivery ? 2 : 3; };
  for (const OwnerWord& w : kOwnerWords) {
    Heading& h = found[slot(w.owner)];
    if (h.owner == Owner::None && folded.find(w.text) != text::npos) h = {w.owner, std::u16string(w.text)};
  }
  if (found[1].owner != Owner::None) return {Owner::Other, found[1].word};
  for (int k : {3, 2, 0}) {
    if (found[k].owner != Owner::None) return found[k];
  }
  return {};
}

}  // namespace

bool guardianIsPerson(const PageFacts& page) {
  for (const FrameFacts& f : page.frames) {
    for (const ControlFacts& c : f.controls) {
      for (const std::u16string& heading : c.sections) {
        const text::FoldedText folded(heading);
        for (std::u16string_view w : kChildWords) {
          if (folded.find(w) != text::npos) return true;
        }
      }
    }
  }
  return false;
}

std::u16string asPersonsOwn(std::u16string text, bool guardianIsPerson) {
  if (!guardianIsPerson) return text;
  for (size_t at = text.find(kGuardian); at != std::u16string::npos; at = text.find(kGuardian, at)) {
    text.replace(at, kGuardian.size(), kGuardian.size(), u' ');
  }
  return text;
}

// The innermost heading that names an owner decides.
void readSections(Slot& s) {
  const auto& sections = s.c->sections;
  for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
    const Heading h = readHeading(asPersonsOwn(*it, s.guardianIsPerson));
    if (h.owner == Owner::None) continue;
    s.owner = h.owner;
    s.ownerWord = h.word;
    return;
  }
}

}  // namespace formix::fill::recognition
