// The profile as the fill engine sees it, restored from the settings record like the panel.
#include <gtest/gtest.h>

#include "app/profile_snapshot.h"

namespace formix::app {
namespace {

TEST(ProfileSnapshot, RestoresTheControlsFromTheSampleFile) {
  const auto loaded = loadSettings(FORMIX_SOURCE_DIR "/examples/sample.ini");
  ASSERT_TRUE(loaded.found);
  const fill::Profile profile = profileSnapshot(loaded.record);
  EXPECT_EQ(profile.familyName, u"山田");
  EXPECT_EQ(profile.buildingLine, u"ABCビル 101");
  EXPECT_EQ(profile.telephone[2], u"5678");
  EXPECT_EQ(profile.prefecture, u"東京都");
  EXPECT_EQ(profile.occupation, u"会社員");
  EXPECT_TRUE(profile.male);
}

TEST(ProfileSnapshot, GenderFollowsTheStoredCaptionAndDefaultsToMale) {
  SettingsRecord record;
  EXPECT_TRUE(profileSnapshot(record).male);  // nothing stored
  EXPECT_EQ(profileSnapshot(record).prefecture, u"");
  record.set(key::profile(18), u"女");
  EXPECT_FALSE(profileSnapshot(record).male);
  for (const auto other : {u"女性", u"female", u"", u" 女"}) {
    record.set(key::profile(18), other);
    EXPECT_TRUE(profileSnapshot(record).male) << static_cast<int>(other[0]);
  }
  record.set(key::profile(3), u"line\r\nbreak");  // restored exactly as stored
  EXPECT_EQ(profileSnapshot(record).givenKana, u"line\r\nbreak");
}

}  // namespace
}  // namespace formix::app
