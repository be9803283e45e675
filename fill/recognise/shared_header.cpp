// A header that names one item for each of the boxes beside it: "TEL / FAX" over two boxes is the
// telephone's box and the FAX's, "郵便番号・住所" the postal code's and the address's.
#include "fill/recognise/slot.h"

namespace formix::fill::recognition {
namespace {

bool isItemSeparator(char16_t ch) {
  return ch == u'/' || ch == u'／' || ch == u'・' || ch == u'、' || ch == u'|' || ch == u'｜';
}

// The header's items, when it names exactly two, each a strong word of a topic of its own.
std::vector<std::u16string> twoItems(const std::u16string& header) {
  std::vector<std::u16string> items(1);
  for (char16_t ch : header) {
    if (isItemSeparator(ch)) items.emplace_back();
    else items.back() += ch;
  }
  if (items.size() != 2) return {};
  const LabelHint a = readLabel(items[0]), b = readLabel(items[1]);
  if (!a.strong || !b.strong || a.topic == b.topic || a.topic == Topic::None || b.topic == Topic::None) return {};
  return items;
}

bool sameHeader(const ControlFacts& a, const ControlFacts& b) {
  return a.rowHeader == b.rowHeader && a.sections == b.sections && a.form == b.form;
}

}  // namespace

void splitSharedHeaders(std::vector<Slot>& slots) {
  for (size_t k = 0; k + 1 < slots.size(); ++k) {
    Slot& a = slots[k];
    Slot& b = slots[k + 1];
    if (a.frame != b.frame || !isTextLike(a.kind) || !isTextLike(b.kind) || a.c->rowHeader.empty() || !sameHeader(*a.c, *b.c)) continue;
    // Exactly two boxes under the header: no box of it before the pair, none after.
    const bool more = (k > 0 && slots[k - 1].frame == a.frame && sameHeader(*slots[k - 1].c, *a.c)) ||
                      (k + 2 < slots.size() && slots[k + 2].frame == a.frame && sameHeader(*slots[k + 2].c, *a.c));
    if (more) continue;
    std::vector<std::u16string> items = twoItems(a.c->rowHeader);
    if (items.empty()) continue;
    a.rowItem = std::move(items[0]);
    b.rowItem = std::move(items[1]);
  }
}

}  // namespace formix::fill::recognition
