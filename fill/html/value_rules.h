// Which value each recognised field receives, and how it is written into the field's text.
#pragma once

#include <string>
#include <string_view>

#include "fill/html/field_table.h"
#include "fill/japanese_date.h"

namespace formix::fill {

// One pass over the table in order: sets the new text and the changed flag of every record whose
// field code has a rule. A value split across inputs also fills the next one or two records, which
// the pass then skips. Text values are written quoted and escaped (` value="..."`).
//
// The birth fields count only when they form a valid date (whole numbers naming a real day, see
// isValidDate): otherwise an age field gets nothing, an era year is not written (the month and day
// of the group still are), and a year list is matched by the Western year alone.
void SetFieldValues(FieldTable& table, const Profile& profile, const CivilDate& today,
                    const YieldFn& yield = {});

// Text for a double-quoted attribute value: & " < > as character references.
std::u16string escapeAttributeValue(std::u16string_view text);
// Text for element content: & < > as character references.
std::u16string escapeElementText(std::u16string_view text);

}  // namespace formix::fill
