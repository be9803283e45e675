// The fill engine's view of the profile, taken from the settings record the way start-up restores
// the profile panel's controls.
#pragma once

#include "app/settings_file.h"
#include "fill/profile.h"

namespace formix::app {

// txtAUTO(0..15) = A001..A016, cboAUTO(0) = A017, cboAUTO(1) = A018, each exactly as stored
// (missing keys give empty texts). The gender is optAUTO(0) "男" or optAUTO(1) "女", whichever
// caption equals A019 under text comparison (which ignores case); "男" when neither does.
fill::Profile profileSnapshot(const SettingsRecord& record);

}  // namespace formix::app
