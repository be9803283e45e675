// One profile item, one place: a form that asks for two people, two addresses or a history of
// periods gets the person's details once, in the person's own block.
#include <algorithm>
#include <map>

#include "fill/recognise/slot.h"

namespace formix::fill::recognition {
namespace {

// The pieces of the profile a fill writes. Two groups that write the same piece are two places
// for one item.
enum Piece : unsigned {
  FamilyName = 1u << 0, GivenName = 1u << 1, FamilyKana = 1u << 2, GivenKana = 1u << 3, Mail = 1u << 4,
  Postal = 1u << 5, Telephone = 1u << 6, BirthYear = 1u << 7, BirthMonth = 1u << 8, BirthDay = 1u << 9,
  Age = 1u << 10, Gender = 1u << 11, Occupation = 1u << 12, Prefecture = 1u << 13, City = 1u << 14,
  Street = 1u << 15, Building = 1u << 16,
};

// What each reported item writes. A confirmation writes nothing new: it may stand beside its item.
struct ItemPieces {
  std::u16string_view item;  // the report's text, or its start ("gender (")
  unsigned pieces;
};
constexpr ItemPieces kItems[] = {
    {u"family name (kana)", FamilyKana}, {u"given name (kana)", GivenKana}, {u"full name (kana)", FamilyKana | GivenKana},
    {u"family name", FamilyName}, {u"given name", GivenName}, {u"full name", FamilyName | GivenName},
    {u"mail (confirmation", 0}, {u"mail", Mail},
    {u"postal code", Postal}, {u"telephone", Telephone},
    {u"birth year", BirthYear}, {u"birth era", BirthYear}, {u"birth month", BirthMonth}, {u"birth day", BirthDay},
    {u"birth date", BirthYear | BirthMonth | BirthDay}, {u"age", Age}, {u"gender (", Gender}, {u"occupation", Occupation},
    {u"prefecture and city line", Prefecture | City | Street}, {u"prefecture and city", Prefecture | City}, {u"prefecture", Prefecture},
    {u"city line and building", City | Street | Building}, {u"city line", City | Street}, {u"city", City},
    {u"street and building", Street | Building}, {u"rest of the address", Street | Building}, {u"street", Street},
    {u"town", Street}, {u"block and number", Street}, {u"building", Building},
    {u"address", City | Street | Building},
};

unsigned piecesOf(const std::u16string& item) {
  for (const ItemPieces& i : kItems) {
    if (item.starts_with(i.item)) return i.pieces;
  }
  return 0;
}

struct Place {
  std::vector<Slot*> boxes;
  unsigned pieces = 0;
  bool own = false;
};

}  // namespace

// Each item fills at most one box or group: the one in the person's own section first, then the
// first in reading order; every other is left alone.
void keepOnePlacePerItem(std::vector<Slot*>& visible) {
  std::map<int, Place> byGroup;
  std::vector<int> order;
  for (Slot* s : visible) {
    if (s->group < 0 || !s->fill || !s->eligible) continue;
    auto [it, added] = byGroup.try_emplace(s->group);
    if (added) order.push_back(s->group);
    it->second.boxes.push_back(s);
    it->second.pieces |= piecesOf(s->fill->item);
    it->second.own |= s->owner == Owner::Own;
  }
  std::stable_partition(order.begin(), order.end(), [&](int g) { return byGroup[g].own; });
  unsigned taken = 0;
  for (int g : order) {
    Place& place = byGroup[g];
    if ((place.pieces & taken) == 0) {
      taken |= place.pieces;
      continue;
    }
    for (Slot* s : place.boxes) {
      s->fill.reset();
      s->refusal = Refusal::SameItemAbove;
    }
  }
}

}  // namespace formix::fill::recognition
