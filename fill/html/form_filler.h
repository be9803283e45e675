// The form filler: a page's body HTML in, the same HTML with the profile written into every field
// it recognises out. Pure string logic; positions are 0-based.
//
// A fill runs in five steps:
//  1. collect the fields after the first "<FORM " (to the end of the text, later forms included):
//     "<INPUT " ... ">" (text-like, or radio when its text holds "radio"; inputs whose text holds
//     "checkbox", "submit", "reset" or "hidden" are skipped), "<SELECT " ... up to "</SELECT>",
//     "<TEXTAREA " ... up to "</TEXTAREA>"; at most kFieldCapacity of them. Tag names and words
//     match under text comparison; a tag name must be followed by a blank.
//  2. classify each field by the nearest keyword in the 150 characters before it;
//  3. build the new texts (SetFieldValues);
//  4. replace each changed field's text where that field was collected;
//  5. return the HTML.
// It never throws for bad input: what cannot be done is skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fill/html/field_classifier.h"
#include "fill/html/field_table.h"
#include "fill/japanese_date.h"
#include "fill/html/value_rules.h"

namespace formix::fill {

struct FillResult {
  std::u16string html;  // the filled page; the input unchanged when it holds no "<FORM "
  FieldTable fields;    // the collected fields with their codes and new texts
};

// The whole operation, keeping the field table for reports. `yield` runs about once per 1024
// scanned characters and once per field in each later step.
FillResult fillForm(std::u16string_view html, const Profile& profile, const CivilDate& today,
                    const YieldFn& yield = {}, const KeywordTable& keywords = standardKeywords());

// One field the filler replaced: where it stood in the HTML it was given, what it was and what
// took its place. `fieldBase` is the base the field was collected with (base::Input ...).
struct FieldChange {
  size_t position = 0;
  int fieldBase = 0;
  std::u16string oldText;
  std::u16string newText;
};

// The fields that a fill turned `before` into `after` by, in document order, found by collecting
// the fields of `before` as a fill does and following them through `after`. nullopt when `after`
// is not `before` with some of its fields replaced (then any change outside a field shows up as
// a mismatch). Lets a caller that only sees the filled text apply the fill field by field.
std::optional<std::vector<FieldChange>> changedFields(std::u16string_view before, std::u16string_view after);

// The filled HTML alone.
std::u16string sFillForm(std::u16string_view html, const Profile& profile, const CivilDate& today,
                         const YieldFn& yield = {}, const KeywordTable& keywords = standardKeywords());

}  // namespace formix::fill
