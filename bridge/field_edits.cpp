#include "bridge/field_edits.h"

#include <algorithm>

#include "fill/field_table.h"
#include "fill/form_filler.h"
#include "text/compare.h"

namespace formix::bridge {
namespace {

using text::npos;

bool startsWith(std::u16string_view s, std::u16string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool endsWith(std::u16string_view s, std::u16string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// Undoes the filler's escaping of a value (&amp; &quot; &lt; &gt;), in one pass from the left.
std::u16string unescape(std::u16string_view text) {
  static constexpr std::pair<std::u16string_view, char16_t> kReferences[] = {
      {u"&amp;", u'&'}, {u"&quot;", u'"'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}};
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == u'&') {
      for (const auto& [reference, character] : kReferences) {
        if (startsWith(text.substr(i), reference)) {
          out.push_back(character);
          i += reference.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out.push_back(text[i++]);
  }
  return out;
}

// A text input: the old tag without its ">", then ` value="..."` and ">".
std::optional<FieldEdit> inputEdit(const fill::FieldChange& change) {
  const std::u16string_view head = std::u16string_view(change.oldText).substr(0, change.oldText.size() - 1);
  const std::u16string_view neu = change.newText;
  constexpr std::u16string_view kOpen = u" value=\"", kClose = u"\">";
  if (!startsWith(neu, head) || !startsWith(neu.substr(head.size()), kOpen) || !endsWith(neu, kClose) ||
      neu.size() < head.size() + kOpen.size() + kClose.size()) {
    return std::nullopt;
  }
  const size_t from = head.size() + kOpen.size();
  FieldEdit edit;
  edit.kind = FieldEdit::Kind::Value;
  edit.text = unescape(neu.substr(from, neu.size() - from - kClose.size()));
  return edit;
}

// A radio button: " CHECKED" added before the ">", or the word CHECKED taken out.
std::optional<FieldEdit> radioEdit(const fill::FieldChange& change) {
  const std::u16string_view old = change.oldText;
  FieldEdit edit;
  edit.kind = FieldEdit::Kind::Checked;
  if (change.newText == std::u16string(old.substr(0, old.size() - 1)) + u" CHECKED>") {
    edit.checked = true;
    return edit;
  }
  const size_t word = text::inStr(old, u" CHECKED", 0, text::Compare::Text);
  if (word != npos && change.newText == std::u16string(old.substr(0, word + 1)) + std::u16string(old.substr(word + 8))) {
    edit.checked = false;
    return edit;
  }
  return std::nullopt;
}

// Whether an option's start tag begins at `at` ("<option" then a blank or ">").
bool optionStart(std::u16string_view folded, size_t at) {
  return startsWith(folded.substr(at), u"<option") && at + 7 < folded.size() &&
         (folded[at + 7] == u' ' || folded[at + 7] == u'>');
}

// A list: its first " SELECTED" taken out and one put before the ">" that ends the chosen
// option's start tag. The edit names that option by its index among the list's options.
std::optional<FieldEdit> listEdit(const fill::FieldChange& change) {
  std::u16string working = change.oldText;
  if (const size_t word = text::inStr(working, u" SELECTED", 0, text::Compare::Text); word != npos) {
    working.erase(word + 1, 8);
  }
  constexpr std::u16string_view kWord = u" SELECTED";
  const std::u16string_view neu = change.newText;
  if (neu.size() != working.size() + kWord.size()) return std::nullopt;
  const auto mismatch = std::mismatch(working.begin(), working.end(), neu.begin());
  const size_t at = static_cast<size_t>(mismatch.first - working.begin());
  if (neu.substr(at, kWord.size()) != kWord || neu.substr(at + kWord.size()) != std::u16string_view(working).substr(at)) {
    return std::nullopt;
  }
  const std::u16string folded = text::foldText(working);
  const size_t tagStart = folded.rfind(u'<', at);
  if (tagStart == npos || !optionStart(folded, tagStart) || folded.find(u'>', tagStart) != at) return std::nullopt;
  int index = 0;
  for (size_t p = folded.find(u"<option"); p < tagStart; p = folded.find(u"<option", p + 1)) {
    if (optionStart(folded, p)) ++index;
  }
  FieldEdit edit;
  edit.kind = FieldEdit::Kind::Option;
  edit.option = index;
  return edit;
}

// A text area: its start tag, then the new content.
std::optional<FieldEdit> textAreaEdit(const fill::FieldChange& change) {
  const size_t openEnd = change.oldText.find(u'>');
  if (openEnd == npos || !startsWith(change.newText, std::u16string_view(change.oldText).substr(0, openEnd + 1))) {
    return std::nullopt;
  }
  FieldEdit edit;
  edit.kind = FieldEdit::Kind::Text;
  edit.text = unescape(std::u16string_view(change.newText).substr(openEnd + 1));
  return edit;
}

}  // namespace

std::optional<std::vector<FieldEdit>> fieldEdits(const PageFrame& read, std::u16string_view filled) {
  const auto changes = fill::changedFields(read.html, filled);
  if (!changes) return std::nullopt;
  std::vector<FieldEdit> edits;
  for (const fill::FieldChange& change : *changes) {
    if (!std::binary_search(read.controls.begin(), read.controls.end(), change.position)) continue;
    std::optional<FieldEdit> edit;
    switch (change.fieldBase) {
      case fill::base::Input: edit = inputEdit(change); break;
      case fill::base::Radio: edit = radioEdit(change); break;
      case fill::base::Select: edit = listEdit(change); break;
      case fill::base::TextArea: edit = textAreaEdit(change); break;
      default: break;
    }
    // A change of a shape the filler does not make is no edit.
    if (!edit) continue;
    edit->at = change.position;
    edits.push_back(std::move(*edit));
  }
  return edits;
}

}  // namespace formix::bridge
