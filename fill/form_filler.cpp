#include "fill/form_filler.h"

#include "text/compare.h"

namespace formix::fill {
namespace {

using text::npos;

// How many scanned characters pass between two yields of step 1.
constexpr size_t kYieldEvery = 1024;

// First occurrences of one folded needle for search starts that never decrease: a result at or
// after the new start is still the first one, and "not found" stays not found, so every part of
// the text is searched at most once per needle.
class ForwardFinder {
 public:
  ForwardFinder(std::u16string_view folded, std::u16string_view needle) : text_(folded), needle_(needle) {}

  size_t next(size_t from) {
    if (from < searchedFrom_) return text_.find(needle_, from);  // not expected; kept correct anyway
    if (found_ == npos && searched_) return npos;
    if (searched_ && found_ >= from) return found_;
    searchedFrom_ = from;
    searched_ = true;
    found_ = from > text_.size() ? npos : text_.find(needle_, from);
    return found_;
  }

  // Whether the needle lies wholly inside [from, last].
  bool within(size_t from, size_t last) {
    const size_t at = next(from);
    return at != npos && at + needle_.size() - 1 <= last;
  }

  size_t length() const { return needle_.size(); }

 private:
  std::u16string_view text_;
  std::u16string_view needle_;
  size_t searchedFrom_ = 0;
  size_t found_ = npos;
  bool searched_ = false;
};

bool startsWithAt(std::u16string_view folded, size_t at, std::u16string_view foldedWord) {
  return folded.substr(at, foldedWord.size()) == foldedWord;
}

FieldTable collect(std::u16string_view html, std::u16string_view folded, const YieldFn& yield) {
  FieldTable table;
  const size_t form = folded.find(u"<form ");
  if (form == npos) return table;

  ForwardFinder tagEnd(folded, u">"), selectEnd(folded, u"</select>"), textAreaEnd(folded, u"</textarea>");
  ForwardFinder radio(folded, u"radio");
  ForwardFinder skipped[] = {{folded, u"checkbox"}, {folded, u"submit"}, {folded, u"reset"}, {folded, u"hidden"}};

  auto add = [&](size_t start, size_t end, int fieldBase) {
    FieldRecord record;
    record.tagText = html.substr(start, end - start);
    const size_t from = start > kPrecedingLength ? start - kPrecedingLength : 0;
    record.precedingText = sReverseText(html.substr(from, start - from));
    record.fieldCode = static_cast<int16_t>(fieldBase);
    record.position = start;
    table.records.push_back(std::move(record));
  };

  size_t nextYield = form + kYieldEvery;
  for (size_t p = form; p < folded.size() && !table.full(); ++p) {
    if (p >= nextYield) {
      if (yield) yield();
      nextYield = p + kYieldEvery;
    }
    // Only a "<" can start a field; look for one up to the next yield.
    const size_t lt = folded.substr(p, nextYield - p).find(u'<');
    if (lt == npos) {
      p = nextYield - 1;
      continue;
    }
    p += lt;
    if (startsWithAt(folded, p, u"<input ")) {
      const size_t g = tagEnd.next(p + 7);
      if (g == npos) continue;
      bool skip = false;
      for (auto& word : skipped) skip = skip || word.within(p, g);
      if (skip) continue;
      add(p, g + 1, radio.within(p, g) ? base::Radio : base::Input);
      p = g;
    } else if (startsWithAt(folded, p, u"<select ")) {
      const size_t e = selectEnd.next(p + 8);
      if (e == npos) continue;
      add(p, e, base::Select);
      p = e;
    } else if (startsWithAt(folded, p, u"<textarea ")) {
      const size_t e = textAreaEnd.next(p + 10);
      if (e == npos) continue;
      add(p, e, base::TextArea);
      p = e;
    }
  }
  return table;
}

}  // namespace

FieldTable collectFields(std::u16string_view html, const YieldFn& yield) {
  return collect(html, text::foldText(html), yield);
}

FillResult fillForm(std::u16string_view html, const ProfileSnapshot& profile, const CivilDate& today,
                    const YieldFn& yield, const KeywordTable& keywords) {
  FillResult result;
  result.fields = collectFields(html, yield);
  auto& records = result.fields.records;
  if (records.empty()) {
    result.html = html;
    return result;
  }

  for (auto& record : records) {
    if (yield) yield();
    record.fieldCode = static_cast<int16_t>(record.fieldCode + keywords.iGetFieldKind(record.precedingText));
  }

  SetFieldValues(result.fields, profile, today, yield);

  // Each changed field's text is replaced where it was collected. The fields are in document
  // order and do not overlap, so one pass copies the page around them.
  size_t copied = 0;
  result.html.reserve(html.size() + html.size() / 8);
  for (const auto& record : records) {
    if (yield) yield();
    if (!record.changed) continue;
    result.html.append(html.substr(copied, record.position - copied));
    result.html += record.newText;
    copied = record.position + record.tagText.size();
  }
  result.html.append(html.substr(copied));
  return result;
}

std::u16string sFillForm(std::u16string_view html, const ProfileSnapshot& profile, const CivilDate& today,
                         const YieldFn& yield, const KeywordTable& keywords) {
  return fillForm(html, profile, today, yield, keywords).html;
}

}  // namespace formix::fill
