#include "app/profile_snapshot.h"

#include "text/compare.h"
#include "text/japanese.h"

namespace formix::app {

fill::Profile profileSnapshot(const SettingsRecord& record) {
  std::array<std::u16string, 16> txtAUTO;
  for (int i = 0; i < 16; ++i) txtAUTO[i] = record.text(key::profile(i));
  // optAUTO(0) is selected when the panel is created; a stored caption can only move it to optAUTO(1).
  const std::u16string& gender = record.text(key::profile(18));
  const bool male = text::equals(text::kMaleCaption, gender, text::Compare::Text) ||
                    !text::equals(text::kFemaleCaption, gender, text::Compare::Text);
  return fill::profileFromPanel(txtAUTO, {record.text(key::profile(16)), record.text(key::profile(17))}, male);
}

}  // namespace formix::app
