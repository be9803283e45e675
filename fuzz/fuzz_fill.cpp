// The form filler on arbitrary pages and profiles: it must not crash, must leave form-less pages
// alone, must only rewrite the fields it collected, and its keyword search must agree with the
// plain slot-by-slot search.
//
// Input: one flags byte (bit 0: female, bit 1: the rest is raw UTF-16 rather than UTF-8), three
// bytes of today's date, then up to 18 profile values separated by U+0001, then the page.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fill/html/form_filler.h"
#include "text/compare.h"
#include "text/utf.h"

using namespace formix;

namespace {

// iGetFieldKind as the table describes it: each slot's first occurrence, the smallest position
// below 150 winning, the lower slot on a tie.
int plainFieldKind(const fill::KeywordTable& table, std::u16string_view preceding) {
  const text::FoldedText folded(preceding);
  size_t best = 150;
  int kind = 0;
  for (int s = 0; s < fill::kSearchedSlots; ++s) {
    if (table.slot(s).empty()) continue;
    const size_t at = s < fill::kExactSlots ? preceding.find(table.slot(s)) : folded.find(table.slot(s));
    if (at != text::npos && at + 1 < best) {
      best = at + 1;
      kind = s / 5 + 1;
    }
  }
  return kind;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint8_t flags = data[0];
  const fill::CivilDate today{1900 + data[1], data[2] % 14, data[3] % 33};  // not always a real day
  const std::string bytes(reinterpret_cast<const char*>(data + 4), size - 4);
  std::u16string input;
  if (flags & 2) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      input.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
  } else {
    input = text::fromUtf8Lossy(bytes);
  }

  std::array<std::u16string, 16> txtAUTO;
  std::array<std::u16string, 2> cboAUTO;
  size_t start = 0;
  for (int field = 0; field < 18; ++field) {
    const size_t end = input.find(u'\u0001', start);
    if (end == std::u16string::npos) break;
    (field < 16 ? txtAUTO[field] : cboAUTO[field - 16]) = input.substr(start, end - start);
    start = end + 1;
  }
  const fill::Profile profile = fill::profileFromPanel(txtAUTO, cboAUTO, !(flags & 1));
  const std::u16string html = input.substr(start);

  const fill::FillResult result = fill::fillForm(html, profile, today);
  if (text::FoldedText(html).find(u"<FORM ") == text::npos && result.html != html) std::abort();

  // The page outside the changed fields is copied unchanged, field texts are where they were found.
  size_t end = 0, expectedSize = html.size();
  for (const auto& record : result.fields.records) {
    if (record.position < end || html.compare(record.position, record.tagText.size(), record.tagText) != 0) std::abort();
    end = record.position + record.tagText.size();
    if (record.changed) expectedSize += record.newText.size() - record.tagText.size();
    if (record.fieldCode % 100 != plainFieldKind(fill::standardKeywords(), record.precedingText)) std::abort();
  }
  if (result.fields.records.size() > fill::kFieldCapacity || result.html.size() != expectedSize) std::abort();
  const std::u16string_view head = std::u16string_view(input).substr(0, 400);
  if (fill::standardKeywords().iGetFieldKind(head) != plainFieldKind(fill::standardKeywords(), head)) std::abort();
  return 0;
}
