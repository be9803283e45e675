// The prefecture and the address lines, split as the page's boxes ask.
#include <algorithm>

#include "fill/recognise/values/writing.h"
#include "text/compare.h"
#include "text/japanese.h"
#include "text/number.h"

namespace formix::fill::recognition {

void fillPrefecture(Slot& s, const Profile& profile) {
  const std::u16string pref = profile.prefecture;
  if (pref.empty()) return;
  if (s.kind == Kind::Select) {
    std::optional<int> at = optionByText(s, pref);
    // "東京都" is "東京" on some lists.
    if (!at && pref.size() > 2) at = optionByText(s, std::u16string_view(pref).substr(0, pref.size() - 1));
    setOption(s, at, u"prefecture");
  } else {
    setText(s, pref, u"prefecture");
  }
}

void fillAddresses(std::vector<Slot*>& group, const Profile& profile, bool prefectureBox) {
  const std::u16string& line = profile.cityLine;
  const std::u16string& building = profile.buildingLine;
  const CityLine city = splitCityLine(profile.cityLine);
  const StreetLine street = splitStreet(city.rest);

  // Which part each box is: its own label; the header of its row when each box has a row of its
  // own; the words before it, or the note under it when the boxes share one row, the first has
  // no words before it and every box has a note that names a part (hints under the boxes); the
  // label blocks above the boxes when every box has one (a hint under one box is the block above
  // the next); its hints; its name.
  std::vector<Part> parts;
  auto ownPart = [](const LabelHint& h) { return h.topic == Topic::Address ? h.part : Part::None; };
  auto every = [&](auto part) { return std::all_of(group.begin(), group.end(), [&](const Slot* s) { return part(*s) != Part::None; }); };
  const bool rowsOfTheirOwn = group.size() > 1 && std::all_of(group.begin() + 1, group.end(), [&](const Slot* s) {
    return s->c->rowHeader != group.front()->c->rowHeader;
  });
  const bool notes = group.size() > 1 && !rowsOfTheirOwn && ownPart(group.front()->before) == Part::None &&
                     every([&](const Slot& s) { return ownPart(s.after) != Part::None ? ownPart(s.after) : ownPart(s.below); });
  const bool blocks = every([&](const Slot& s) { return ownPart(s.block); });
  for (Slot* s : group) {
    Part p = ownPart(s->own);
    if (p == Part::None && rowsOfTheirOwn) p = ownPart(s->row);
    if (p == Part::None && notes) p = ownPart(s->after) != Part::None ? ownPart(s->after) : ownPart(s->below);
    if (p == Part::None && !notes) p = ownPart(s->before);
    if (p == Part::None && blocks) p = ownPart(s->block);
    if (p == Part::None) p = ownPart(s->hint);
    if (p == Part::None) p = ownPart(s->row);
    if (p == Part::None && s->tokens.topic == Topic::Address) p = s->tokens.part;
    if (p == Part::None) p = s->part;  // autocomplete's address-line1 and the like
    if (p < Part::City || p > Part::WholeAddress) p = Part::None;
    parts.push_back(p);
  }
  if (std::all_of(parts.begin(), parts.end(), [](Part p) { return p == Part::None; })) {
    if (group.size() == 1) parts[0] = prefectureBox ? Part::AfterPrefecture : Part::WholeAddress;
    else if (group.size() == 2) parts = {Part::CityLine, Part::Building};
    else if (group.size() == 3) parts = {Part::City, Part::Street, Part::Building};
  }
  // A note under the address ("英数字は全角で") speaks for all of its boxes.
  const bool fullWidth = std::any_of(group.begin(), group.end(), [](const Slot* s) { return s->fullWidth && !s->halfWidth; });
  for (Slot* s : group) s->fullWidth |= fullWidth;
  const bool cityAlone = std::find(parts.begin(), parts.end(), Part::City) != parts.end();
  const bool townAlone = std::find(parts.begin(), parts.end(), Part::Town) != parts.end();
  auto join = [](const std::u16string& a, const std::u16string& b) { return a.empty() ? b : b.empty() ? a : a + u" " + b; };
  // "市区町村名" and "番地・ビル名": the town's name goes with the city, the numbers with the building.
  const bool numbersWithBuilding = cityAlone && !townAlone &&
                                   std::find(parts.begin(), parts.end(), Part::StreetBuilding) != parts.end() &&
                                   std::find(parts.begin(), parts.end(), Part::Street) == parts.end();
  for (size_t k = 0; k < group.size(); ++k) {
    Slot& s = *group[k];
    switch (parts[k]) {
      case Part::City: setText(s, numbersWithBuilding ? city.city + street.town : city.city, u"city"); break;
      case Part::Street: setText(s, townAlone ? street.number : city.rest, u"street"); break;
      case Part::Town: setText(s, street.town, u"town"); break;
      case Part::Number: setText(s, street.number, u"block and number"); break;
      case Part::CityLine: setText(s, line, u"city line"); break;
      case Part::StreetBuilding:
        setText(s, numbersWithBuilding ? join(street.number, building) : cityAlone ? join(city.rest, building) : building,
                u"street and building");
        break;
      case Part::Building: setText(s, building, u"building"); break;
      case Part::AfterPrefecture: setText(s, line + building, u"address"); break;
      case Part::WholeAddress:
        setText(s, (prefectureBox ? u"" : profile.prefecture) + line + building, u"address");
        break;
      default: break;
    }
  }
}

}  // namespace formix::fill::recognition
