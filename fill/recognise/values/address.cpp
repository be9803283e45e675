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

// The example of a box ("例）大阪府大阪市北区") starts with a prefecture's name: a name of two or
// three characters before 都, 道, 府 or 県 ("京都市" and "宇都宮市" are cities).
bool exampleShowsPrefecture(const Slot& s) {
  for (const std::u16string* t : {&s.c->placeholder, &s.c->title, &s.c->below, &s.c->after}) {
    const size_t at = t->find(u'例');
    if (at == std::u16string::npos) continue;
    std::u16string_view example = std::u16string_view(*t).substr(at + 1);
    while (!example.empty() && std::u16string_view(u"）):：.． 　「").find(example.front()) != std::u16string_view::npos) {
      example.remove_prefix(1);
    }
    for (size_t k : {size_t{2}, size_t{3}}) {
      if (k < example.size() && std::u16string_view(k == 2 ? u"都道府県" : u"県").find(example[k]) != std::u16string_view::npos) return true;
    }
    return false;
  }
  return false;
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
    if (p < Part::City || p > Part::Rest) p = Part::None;
    parts.push_back(p);
  }
  if (std::all_of(parts.begin(), parts.end(), [](Part p) { return p == Part::None; })) {
    if (group.size() == 1) parts[0] = prefectureBox ? Part::AfterPrefecture : Part::WholeAddress;
    else if (group.size() == 2) parts = {Part::CityLine, Part::Building};
    else if (group.size() == 3) parts = {Part::City, Part::Street, Part::Building};
  }
  // A box that names no part among boxes that do ("住所" between "市区町村" and "建物名") takes
  // what they leave: after a city's box the rest of the city line, before a building's box all
  // of the address up to the building.
  const bool partNamed = std::any_of(parts.begin(), parts.end(), [](Part p) { return p != Part::None; });
  std::vector<bool> buildingAfter(group.size(), false);
  for (size_t k = group.size(); k-- > 1;) {
    buildingAfter[k - 1] = buildingAfter[k] || parts[k] == Part::Building;
  }
  for (size_t k = 0; k < group.size() && partNamed; ++k) {
    if (parts[k] != Part::None) continue;
    const bool cityBefore = std::any_of(parts.begin(), parts.begin() + static_cast<long>(k), [](Part p) {
      return p == Part::City || p == Part::PrefectureCity;
    });
    if (cityBefore) parts[k] = Part::Rest;
    else if (buildingAfter[k]) parts[k] = prefectureBox ? Part::CityLine : Part::PrefectureCityLine;
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
    // An example that quotes the part of a whole address the box takes says it best.
    const ExampleCut cut = exampleCut({s.c->placeholder, s.c->title, s.c->after, s.c->below});
    if (cut.kind == ExampleCut::Kind::UpToNumbers) {
      setText(s, (cut.withPrefecture && !prefectureBox ? profile.prefecture : u"") + city.city + street.town, u"city");
      continue;
    }
    if (cut.kind == ExampleCut::Kind::FromNumbers) {
      setText(s, join(street.number, building), u"street and building");
      continue;
    }
    // A city box whose example starts with a prefecture ("例）大阪府大阪市北区") takes it too.
    switch (parts[k]) {
      case Part::City:
        setText(s, (exampleShowsPrefecture(s) ? profile.prefecture : u"") + (numbersWithBuilding ? city.city + street.town : city.city),
                u"city");
        break;
      case Part::PrefectureCity: setText(s, profile.prefecture + city.city, u"prefecture and city"); break;
      case Part::Rest: {
        // What the boxes before it have not taken: after a city's box, the rest of the city line
        // and the building; after a prefecture's alone, all of it.
        const bool cityBefore = std::any_of(parts.begin(), parts.begin() + static_cast<long>(k), [](Part p) {
          return p == Part::City || p == Part::PrefectureCity;
        });
        const std::u16string& last = buildingAfter[k] ? std::u16string() : building;
        setText(s, cityBefore ? join(city.rest, last) : line + last, u"rest of the address");
        break;
      }
      case Part::Street: setText(s, townAlone ? street.number : city.rest, u"street"); break;
      case Part::Town: setText(s, street.town, u"town"); break;
      case Part::Number: setText(s, street.number, u"block and number"); break;
      case Part::CityLine: setText(s, (exampleShowsPrefecture(s) ? profile.prefecture : u"") + line, u"city line"); break;
      case Part::PrefectureCityLine: setText(s, profile.prefecture + line, u"prefecture and city line"); break;
      case Part::StreetBuilding:
        setText(s, numbersWithBuilding ? join(street.number, building) : cityAlone ? join(city.rest, building) : building,
                u"street and building");
        break;
      case Part::Building: setText(s, building, u"building"); break;
      case Part::AfterPrefecture:
        // An example that starts with a prefecture asks for it, a box for it elsewhere or not.
        setText(s, (exampleShowsPrefecture(s) ? profile.prefecture : u"") + line + building, u"address");
        break;
      case Part::WholeAddress:
        setText(s, (prefectureBox ? u"" : profile.prefecture) + line + building, u"address");
        break;
      default: break;
    }
  }
}

}  // namespace formix::fill::recognition
