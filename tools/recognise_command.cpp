// formix-tool recognise --settings FILE [--today YYYY-MM-DD] [--summary] [FACTS]
//
// Runs the recogniser on a page's saved facts (a "facts" answer of the browser extension, as
// formix-tool capture writes it; from FACTS or stdin) with the profile of a settings file, and
// prints the fill request Formix would send the extension for them (one JSON line). With --summary
// it prints a table instead: every control, what it asks for and what it receives, or why it is
// left alone.
#include <optional>

#include "bridge/protocol.h"
#include "fill/recognise/recogniser.h"
#include "text/utf.h"
#include "tools/fill_input.h"

namespace formix::tool {
namespace {

const fill::ControlFacts* controlOf(const fill::PageFacts& page, int64_t frame, int control) {
  for (const fill::FrameFacts& f : page.frames) {
    if (f.frame != frame) continue;
    for (const fill::ControlFacts& c : f.controls) {
      if (c.control == control) return &c;
    }
  }
  return nullptr;
}

std::u16string describe(const fill::ControlFacts& c) {
  std::u16string out = c.tag == u"input" ? c.type : c.tag;
  const std::u16string& name = !c.name.empty() ? c.name : c.id;
  if (!name.empty()) out += u" " + name;
  return out;
}

std::u16string received(const fill::ControlFacts& c, const fill::ControlFill& fill) {
  switch (fill.kind) {
    case fill::ControlFill::Kind::Value: return fill.value;
    case fill::ControlFill::Kind::Checked: return u"(checked) " + c.beside;
    case fill::ControlFill::Kind::Option:
      if (fill.option >= 0 && static_cast<size_t>(fill.option) < c.options.size()) return c.options[fill.option].text;
      return u"(option " + text::widen(std::to_string(fill.option)) + u")";
  }
  return {};
}

void printSummary(const fill::PageFacts& page, const fill::RecognitionResult& result) {
  std::cout << "Read " << result.controls.size() << " controls; " << result.fills.size() << " receive a value.\n\n";
  std::vector<std::array<std::u16string, 4>> rows{{u"#", u"control", u"asks for", u"value"}};
  size_t next = 0;
  for (const fill::Recognition& r : result.controls) {
    const fill::ControlFacts* c = controlOf(page, r.frame, r.control);
    if (c == nullptr) continue;
    std::u16string value = u"(left as it is)";
    if (r.filled && next < result.fills.size()) value = received(*c, result.fills[next++]);
    const std::u16string number = (page.frames.size() > 1 ? text::widen(std::to_string(r.frame)) + u":" : u"") +
                                  text::widen(std::to_string(r.control));
    rows.push_back({number, describe(*c), r.filled ? r.item : r.reason.empty() ? u"-" : u"(" + r.reason + u")", value});
  }
  printTable(rows);
}

}  // namespace

int runRecognise(const Args& args) {
  int status = 0;
  const std::optional<FillInput> input = readFillInput(args, "recognise", status);
  if (!input) return status;
  std::string why;
  const std::optional<fill::PageFacts> page = bridge::decodePageFacts(input->bytes, &why);
  if (!page) return fail(input->source + " holds no page facts: " + why);

  const fill::RecognitionResult result = fill::recognise(*page, input->profile, input->today);
  if (input->summary) {
    printSummary(*page, result);
  } else {
    std::cout << bridge::encodeFill(0, 0, result.fills) << '\n';
  }
  std::cout.flush();
  return std::cout ? 0 : fail("cannot write the output");
}

}  // namespace formix::tool
