#include "fill/html/form_filler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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
    if (searched_ && (found_ == npos || found_ >= from)) return found_;
    searched_ = true;
    found_ = from > text_.size() ? npos : text_.find(needle_, from);
    return found_;
  }

 private:
  std::u16string_view text_;
  std::u16string_view needle_;
  size_t found_ = npos;
  bool searched_ = false;
};

// Whether a folded word occurs inside windows [from, last] whose ends never decrease (the text of
// each candidate input tag). Only the windows are searched, and no position twice: every start
// before `scanned_` other than `found_` is known not to begin the word.
class WindowFinder {
 public:
  WindowFinder(std::u16string_view folded, std::u16string_view word) : text_(folded), word_(word) {}

  bool within(size_t from, size_t last) {
    if (last + 1 < from + word_.size()) return false;
    const size_t lastStart = last + 1 - word_.size();
    if (found_ != npos && found_ >= from) return found_ <= lastStart;
    const size_t start = std::max(from, scanned_);
    if (start > lastStart) return false;
    const size_t at = text_.substr(start, lastStart - start + word_.size()).find(word_);
    found_ = at == npos ? npos : start + at;
    scanned_ = at == npos ? lastStart + 1 : found_ + 1;
    return at != npos;
  }

 private:
  std::u16string_view text_;
  std::u16string_view word_;
  size_t scanned_ = 0;
  size_t found_ = npos;
};

// The first "<" in [from, to), or `to`. Four units at a time are tested in one 64-bit word (a
// lane equal to "<" becomes zero, and the usual zero-lane test finds it): this scan is the bulk
// of a fill's work on a long page.
size_t nextTagStart(std::u16string_view folded, size_t from, size_t to) {
  constexpr uint64_t kLt = 0x003C003C003C003CULL, kOnes = 0x0001000100010001ULL, kHigh = 0x8000800080008000ULL;
  size_t i = from;
  for (; i + 8 <= to; i += 8) {
    uint64_t a, b;
    std::memcpy(&a, folded.data() + i, sizeof a);
    std::memcpy(&b, folded.data() + i + 4, sizeof b);
    a ^= kLt;
    b ^= kLt;
    if ((((a - kOnes) & ~a) | ((b - kOnes) & ~b)) & kHigh) break;
  }
  while (i < to && folded[i] != u'<') ++i;
  return i;
}

bool startsWithAt(std::u16string_view folded, size_t at, std::u16string_view foldedWord) {
  return folded.substr(at, foldedWord.size()) == foldedWord;
}

FieldTable collect(std::u16string_view html, std::u16string_view folded, const YieldFn& yield) {
  FieldTable table;
  const size_t form = folded.find(u"<form ");
  if (form == npos) return table;

  ForwardFinder tagEnd(folded, u">"), selectEnd(folded, u"</select>"), textAreaEnd(folded, u"</textarea>");
  WindowFinder radio(folded, u"radio");
  WindowFinder skipped[] = {{folded, u"checkbox"}, {folded, u"submit"}, {folded, u"reset"}, {folded, u"hidden"}};

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
    const size_t limit = std::min(nextYield, folded.size());
    p = nextTagStart(folded, p, limit);
    if (p == limit) {
      p = limit - 1;
      continue;
    }
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

// Where the field of this base that starts at `at` ends (one past its last character) under the
// collection's rules, or npos. A filled field's new text ends where the same rule says, since no
// new text adds a ">" to an input, a "</select>" to a list or a "</textarea>" to a text area.
size_t fieldEnd(std::u16string_view folded, size_t at, int fieldBase) {
  switch (fieldBase) {
    case base::Input:
    case base::Radio: {
      const size_t g = folded.find(u'>', at + 7);
      return g == npos ? npos : g + 1;
    }
    case base::Select: return folded.find(u"</select>", at + 8);
    case base::TextArea: return folded.find(u"</textarea>", at + 10);
    default: return npos;
  }
}

}  // namespace

std::optional<std::vector<FieldChange>> changedFields(std::u16string_view before, std::u16string_view after) {
  const std::u16string foldedAfter = text::foldText(after);
  const FieldTable table = collect(before, text::foldText(before), {});
  std::vector<FieldChange> changes;
  size_t copied = 0, at = 0;  // matching positions in `before` and `after`
  for (const FieldRecord& record : table.records) {
    const size_t gap = record.position - copied;
    if (after.substr(at, gap) != before.substr(copied, gap)) return std::nullopt;
    at += gap;
    const int fieldBase = record.fieldCode / 100 * 100;
    const size_t end = at < after.size() ? fieldEnd(foldedAfter, at, fieldBase) : npos;
    if (end == npos) return std::nullopt;
    const std::u16string_view newText = after.substr(at, end - at);
    if (newText != record.tagText) changes.push_back({record.position, fieldBase, record.tagText, std::u16string(newText)});
    copied = record.position + record.tagText.size();
    at = end;
  }
  if (after.substr(at) != before.substr(copied)) return std::nullopt;
  return changes;
}

FillResult fillForm(std::u16string_view html, const Profile& profile, const CivilDate& today,
                    const YieldFn& yield, const KeywordTable& keywords) {
  FillResult result;
  result.fields = collect(html, text::foldText(html), yield);
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

std::u16string sFillForm(std::u16string_view html, const Profile& profile, const CivilDate& today,
                         const YieldFn& yield, const KeywordTable& keywords) {
  return fillForm(html, profile, today, yield, keywords).html;
}

}  // namespace formix::fill
