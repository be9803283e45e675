// Everything Formix reads from the browser bridge: a byte stream cut into frames, each frame
// decoded as a message; a page's facts as a message and as a saved file. Nothing may crash, and
// facts written out again must read back as the same facts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bridge/protocol.h"

using namespace formix;

namespace {

// Facts that were accepted survive being written and read again unchanged.
void roundTrip(const fill::PageFacts& page) {
  const std::string written = bridge::encodeFactsAnswer(1, 2, page);
  const auto again = bridge::decodeIncoming(written);
  if (!again || !std::holds_alternative<bridge::Facts>(*again)) std::abort();
  if (bridge::encodeFactsAnswer(1, 2, std::get<bridge::Facts>(*again).page) != written) std::abort();
}

void check(const bridge::Incoming& message) {
  if (const auto* facts = std::get_if<bridge::Facts>(&message)) roundTrip(facts->page);
  // Counts are never negative, whatever the answer says.
  if (const auto* undone = std::get_if<bridge::Undone>(&message); undone && (undone->applied < 0 || undone->skipped < 0)) {
    std::abort();
  }
  // A time the focus was lost is a real one or unsaid.
  if (const auto* focused = std::get_if<bridge::Focused>(&message); focused && focused->focusLostAt && *focused->focusLostAt <= 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (const auto message = bridge::decodeIncoming(bytes)) check(*message);
  if (const auto facts = bridge::decodePageFacts(bytes)) roundTrip(*facts);
  bridge::FrameReader reader(1 << 16);
  reader.feed(bytes);
  while (const auto frame = reader.next()) {
    if (const auto message = bridge::decodeIncoming(*frame)) check(*message);
  }
  return 0;
}
