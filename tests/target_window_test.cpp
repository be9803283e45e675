// The target window and the trigger dispatch of the main window.
#include <gtest/gtest.h>

#include "tests/session_support.h"
#include "triggers/trigger_codes.h"

namespace formix::testing {
namespace {

ports::WindowHandle target(Session& s) { return s.script.program()->lGetNextWindowHandle(); }

TEST(TargetWindow, PassesOverEveryKindOfWindowThatIsNoTarget) {
  Session s;
  s.run("desktop window 100 \"ブラウザ\"\nstart\n");  // the bar itself stands in front, always on top
  EXPECT_EQ(target(s), 100u);
  const char* passedOver[] = {
      "desktop window 201 \"Hidden\" hidden",
      "desktop window 202 \"On top\" topmost",
      "desktop window 203 \"Tool window\" nocaption",
      "desktop window 204 \"\"",
      "desktop window 205 \"FORMIX helper\"",
      "desktop window 206 \"formix\"",
  };
  for (const char* line : passedOver) {
    s.run(std::string(line) + "\n");
    EXPECT_EQ(target(s), 100u) << line;
  }
  s.run("desktop window 207 \"Formi\"\n");  // not the program's name: a target
  EXPECT_EQ(target(s), 207u);
}

TEST(TargetWindow, NoEligibleWindowGivesZero) {
  Session s;
  s.run("desktop window 202 \"On top\" topmost\nstart\n");
  EXPECT_EQ(target(s), 0u);
}

TEST(Dispatch, ChoosesThePopupOnlyForCode1000OnTheTopRow) {
  Session s;
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("post 1000 1\nlog\n"), "posted lbuttonup 1000,1 to frmMain\n");
  EXPECT_EQ(s.run("post 999 0\nlog\n"), "posted lbuttonup 999,0 to frmMain\n");
  EXPECT_EQ(s.run("post 1000 0\nlog\n"), "posted lbuttonup 1000,0 to frmMain\nforeground frmMain\npopup mnu0 flags 2\n");
}

TEST(Dispatch, OptionGroupsSetTheHookModesAndTheirMenuTwins) {
  Session s;
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("menu mnu1_ms(4)\nmenu mnu1_wk(2)\nmenu mnu1_key(1)\nlog\n"), "hook M_Mode4\nhook K_Mode2\n");
  EXPECT_EQ(s.script.desktop().mouseMode(), 4);
  EXPECT_EQ(s.script.desktop().keyMode(), 2);
  EXPECT_EQ(s.run("get optMS(4).Value\nget mnu1_ms(4).Checked\nget mnu1_ms(0).Checked\nget optKEY(1).Value\n"),
            "optMS(4).Value=true\nmnu1_ms(4).Checked=true\nmnu1_ms(0).Checked=false\noptKEY(1).Value=true\n");
  // With the settings panel open a mouse option moves the check only; closing the panel applies it.
  EXPECT_EQ(s.run("click chkSET\nclick optMS(3)\nget mnu1_ms(3).Checked\nlog\n"),
            "mnu1_ms(3).Checked=true\nhook M_Mode0\n");
  EXPECT_EQ(s.run("click chkSET\nlog\n"), "hook M_Mode3\n");
  // With only the profile panel open the popup's choice takes effect at once.
  EXPECT_EQ(s.run("click chkPOST\nmenu mnu1_ms(1)\nlog\n"), "hook M_Mode0\nhook M_Mode1\n");
}

}  // namespace
}  // namespace formix::testing

namespace formix::triggers {
namespace {

TEST(TriggerCodes, OnlyExactCodesOnTheTopRowAreTriggers) {
  EXPECT_EQ(triggerOf(15000, 0, 15), Trigger::PopupMenu);
  EXPECT_EQ(triggerOf(30000, 0, 15), Trigger::WholeFormFill);
  EXPECT_EQ(triggerOf(15000, 15, 15), Trigger::None);
  EXPECT_EQ(triggerOf(15001, 0, 15), Trigger::None);
  EXPECT_EQ(triggerOf(12000, 0, 12), Trigger::PopupMenu);  // 120 dots per inch
  EXPECT_EQ(triggerOf(0, 0, 15), Trigger::None);
  // A report read straight from the hook (X11) names its code without a coordinate.
  EXPECT_EQ(triggerOfCode(1000), Trigger::PopupMenu);
  EXPECT_EQ(triggerOfCode(2000), Trigger::WholeFormFill);
  for (std::int32_t other : {0, 999, 3000, -1000}) EXPECT_EQ(triggerOfCode(other), Trigger::None) << other;
}

}  // namespace
}  // namespace formix::triggers
