// The recogniser over any facts a page (or a saved file) can give: nothing may crash, and no fill
// may break the rules that keep a person's data safe: a fill names a control of the facts, never
// one the user cannot see, cannot edit or has typed into, never a password or file field, never a
// control in another site's frame; an option fill names an option of its list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bridge/protocol.h"
#include "fill/recognise/recogniser.h"

namespace {

using namespace formix;

const fill::Profile& profile() {
  static const fill::Profile p = [] {
    return fill::profileFromPanel({u"山田", u"太郎", u"やまだ", u"たろう", u"taro", u"example.jp", u"100", u"0001", u"千代田区千代田1-1",
                                   u"ABCビル 101", u"1980", u"5", u"15", u"03", u"1234", u"5678"},
                                  {u"東京都", u"会社員"}, true);
  }();
  return p;
}

void check(const fill::PageFacts& page, const fill::ControlFill& f) {
  const fill::FrameFacts* frame = nullptr;
  for (const auto& candidate : page.frames) {
    if (candidate.frame == f.frame) frame = &candidate;
  }
  if (frame == nullptr) std::abort();
  if (frame->origin != page.origin && !frame->sharedAutofill) std::abort();
  if (!frame->visible) std::abort();
  const fill::ControlFacts* c = nullptr;
  for (const auto& candidate : frame->controls) {
    if (candidate.control == f.control) c = &candidate;
  }
  if (c == nullptr || !c->visible || !c->enabled || !c->editable || c->userEdited) std::abort();
  if (c->type == u"password" || c->type == u"file" || c->type == u"hidden") std::abort();
  if (f.kind == fill::ControlFill::Kind::Option && (f.option < 0 || static_cast<size_t>(f.option) >= c->options.size())) {
    std::abort();
  }
  if (f.kind == fill::ControlFill::Kind::Value && (f.value.empty() || !c->value.empty())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto page = bridge::decodePageFacts(bytes);
  if (!page) return 0;
  const fill::RecognitionResult result = fill::recognise(*page, profile(), {2025, 6, 1});
  for (const fill::ControlFill& f : result.fills) check(*page, f);
  return 0;
}
