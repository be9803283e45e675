// formix-tool fill --settings FILE [--today YYYY-MM-DD] [--summary] [INPUT]
//
// Fills a page's body HTML (UTF-8, from INPUT or stdin) with the profile of a settings file, read
// as the program restores it at start-up, and writes the filled HTML as UTF-8 to stdout. With
// --summary it writes a table of the collected fields and what each received instead.
#include <optional>

#include "fill/html/form_filler.h"
#include "text/compare.h"
#include "text/utf.h"
#include "tools/fill_input.h"

namespace formix::tool {
namespace {

// The value of attribute `name` in a tag text ("" when absent), quoted or bare.
std::u16string attribute(std::u16string_view tag, std::u16string_view name) {
  const std::u16string folded = text::foldText(tag);
  const std::u16string needle = u" " + std::u16string(name) + u"=";
  size_t at = folded.find(needle);
  if (at == text::npos) return {};
  at += needle.size();
  const bool quoted = at < tag.size() && (tag[at] == u'"' || tag[at] == u'\'');
  const size_t start = quoted ? at + 1 : at;
  const size_t end = quoted ? tag.find(tag[at], start) : tag.find_first_of(u" \t\r\n>", start);
  return std::u16string(tag.substr(start, std::min(end, tag.size()) - start));
}

std::u16string fieldName(const fill::FieldRecord& record) {
  static constexpr std::u16string_view kElements[] = {u"input", u"radio", u"list", u"text area"};
  const int baseIndex = record.fieldCode / 100 - 1;
  std::u16string name = std::u16string(kElements[baseIndex >= 0 && baseIndex < 4 ? baseIndex : 0]) + u" " +
                        attribute(record.tagText, u"name");
  if (record.fieldCode / 100 == 2) name += u"=" + attribute(record.tagText, u"value");
  return name;
}

std::u16string kindName(int kind) {
  static constexpr std::u16string_view kNames[] = {
      u"-",          u"reading (hiragana)", u"reading (katakana)", u"name",      u"mail address",
      u"postal code", u"address",           u"birth date",         u"age",       u"occupation",
      u"telephone",  u"-",                  u"gender",             u"at sign",   u"password/answer"};
  return kind >= 0 && kind < 15 ? std::u16string(kNames[kind]) : u"-";
}

void printSummary(const fill::FillResult& result) {
  const auto& records = result.fields.records;
  size_t changed = 0;
  for (const auto& record : records) changed += record.changed ? 1 : 0;
  std::cout << "Collected " << records.size() << " fields; " << changed << " received a value.\n\n";
  std::vector<std::array<std::u16string, 4>> rows{{u"#", u"field", u"code (label)", u"value"}};
  for (size_t j = 0; j < records.size(); ++j) {
    const auto& record = records[j];
    rows.push_back({text::widen(std::to_string(j + 1)), fieldName(record),
                    text::widen(std::to_string(record.fieldCode)) + u" " + kindName(record.fieldCode % 100),
                    record.changed ? record.value : u"(left as it is)"});
  }
  printTable(rows);
}

}  // namespace

int runFill(const Args& args) {
  int status = 0;
  const std::optional<FillInput> input = readFillInput(args, "fill", status);
  if (!input) return status;
  const auto html = text::fromUtf8(input->bytes);
  if (!html) return fail(input->source + " is not valid UTF-8");

  const fill::FillResult result = fill::fillForm(*html, input->profile, input->today);
  if (input->summary) {
    printSummary(result);
  } else {
    std::cout << text::toUtf8(result.html);
  }
  std::cout.flush();
  return std::cout ? 0 : fail("cannot write the output");
}

}  // namespace formix::tool
