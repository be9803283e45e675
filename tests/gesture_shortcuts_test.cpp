// What formix says of the desktop shortcuts its portal gave the gestures.
#include <gtest/gtest.h>

#include "platform/linux/gesture_shortcuts.h"
#include "triggers/named_trigger.h"

namespace formix::testing {
namespace {

using platform::boundGesturesNotice;

TEST(GestureShortcuts, TheNoticeNamesEachKeyAndEveryGestureLeftWithout) {
  const std::string both = boundGesturesNotice({{"fill", "Meta+Alt+F"}, {"menu", "Meta+Alt+M"}}, "/usr/bin/formix");
  EXPECT_NE(both.find(": Meta+Alt+F runs the whole-form fill, Meta+Alt+M runs the menu;"), std::string::npos) << both;
  EXPECT_EQ(both.find("no key"), std::string::npos);
  EXPECT_NE(both.find("`/usr/bin/formix --trigger phrase:PAGE:PHRASE`"), std::string::npos);

  // A key taken by another program: the desktop gave none, and the person is told where to give one.
  const std::string one = boundGesturesNotice({{"fill", ""}, {"menu", "Meta+Alt+M"}}, "formix");
  EXPECT_NE(one.find(": Meta+Alt+M runs the menu; the whole-form fill has no key yet: give one there"), std::string::npos)
      << one;
  const std::string none = boundGesturesNotice({}, "formix");
  EXPECT_NE(none.find("(System Settings > Shortcuts > Formix); the whole-form fill and the menu have no key yet"),
            std::string::npos)
      << none;
}

// A press comes back as the shortcut's id, which runs as the trigger of that name.
TEST(GestureShortcuts, EachGestureIsATriggerFormixRuns) {
  for (const auto& gesture : platform::gestureShortcuts()) {
    EXPECT_TRUE(triggers::parseNamedTrigger(gesture.id)) << gesture.id;
  }
}

}  // namespace
}  // namespace formix::testing
