// Everything Formix reads from the browser bridge: a byte stream cut into frames, each frame
// decoded as a message, and for a page the per-field edits of a fill of each of its frames; a
// page's facts as a message and as a saved file. Nothing may crash; an edit must name a control
// the page reported, and the edits of a fill of a frame must exist (a fill only ever replaces
// fields); facts written out again must read back as the same facts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bridge/field_edits.h"
#include "bridge/protocol.h"
#include "fill/form_filler.h"

using namespace formix;

namespace {

fill::ProfileSnapshot profile() {
  fill::ProfileSnapshot p;
  p.txtAUTO = {u"山田", u"太郎", u"やまだ", u"たろう", u"taro", u"example.jp", u"100", u"0001", u"千代田区<1>",
               u"\"A\"&B", u"1980", u"5", u"15", u"03", u"1234", u"5678"};
  p.cboAUTO = {u"東京都", u"会社員"};
  return p;
}

// Facts that were accepted survive being written and read again unchanged.
void roundTrip(const fill::PageFacts& page) {
  const std::string written = bridge::encodeFactsAnswer(1, 2, page);
  const auto again = bridge::decodeIncoming(written);
  if (!again || !std::holds_alternative<bridge::Facts>(*again)) std::abort();
  if (bridge::encodeFactsAnswer(1, 2, std::get<bridge::Facts>(*again).page) != written) std::abort();
}

void editsOf(const bridge::Incoming& message) {
  if (const auto* facts = std::get_if<bridge::Facts>(&message)) roundTrip(facts->page);
  const auto* page = std::get_if<bridge::Page>(&message);
  if (page == nullptr) return;
  static const fill::ProfileSnapshot kProfile = profile();
  for (const bridge::PageFrame& frame : page->frames) {
    const auto edits = bridge::fieldEdits(frame, fill::sFillForm(frame.html, kProfile, {2025, 6, 1}));
    if (!edits) std::abort();
    for (const auto& edit : *edits) {
      if (!std::binary_search(frame.controls.begin(), frame.controls.end(), edit.at)) std::abort();
    }
    // Text that is no fill of the frame gives no edits or only edits of its controls.
    if (const auto odd = bridge::fieldEdits(frame, frame.html + u"x")) {
      if (!odd->empty()) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto message = bridge::decodeIncoming(bytes)) editsOf(*message);
  if (const auto facts = bridge::decodePageFacts(bytes)) roundTrip(*facts);
  bridge::FrameReader reader(1 << 16);
  reader.feed(bytes);
  while (const auto frame = reader.next()) {
    if (const auto message = bridge::decodeIncoming(*frame)) editsOf(*message);
  }
  return 0;
}
