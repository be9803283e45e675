#include "app/profile_snapshot.h"

#include "text/compare.h"

namespace formix::app {

fill::ProfileSnapshot profileSnapshot(const SettingsRecord& record) {
  fill::ProfileSnapshot profile;
  for (int i = 0; i < 16; ++i) profile.txtAUTO[i] = record.text(key::profile(i));
  profile.cboAUTO[0] = record.text(key::profile(16));
  profile.cboAUTO[1] = record.text(key::profile(17));
  // optAUTO(0) is selected when the panel is created; a stored caption can only move it to optAUTO(1).
  const std::u16string& gender = record.text(key::profile(18));
  profile.maleSelected = text::equals(fill::kMaleCaption, gender, text::Compare::Text) ||
                         !text::equals(fill::kFemaleCaption, gender, text::Compare::Text);
  return profile;
}

}  // namespace formix::app
