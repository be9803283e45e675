// The hook library on the simulated desktop: gestures in other windows reach the main window.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

TEST(HookDelivery, ARightClickInMouseMode3OpensThePopupAndNeverReachesTheWindow) {
  Session s;
  s.run("desktop window 500 \"メモ帳\"\nstart\nmenu mnu1_ms(3)\nlog\n");
  EXPECT_EQ(s.run("desktop send 500 rbuttondown\ndesktop send 500 rbuttonup\nlog\n"),
            "window 500 received null\n"
            "foreground frmMain\nposted lbuttonup 1000,0 to frmMain\nwindow 500 received null\n"
            "foreground frmMain\npopup mnu0 flags 2\n");
  // A middle click is no trigger in mode 3.
  EXPECT_EQ(s.run("desktop send 500 mbuttondown\ndesktop send 500 mbuttonup\nlog\n"),
            "window 500 received mbuttondown\nwindow 500 received mbuttonup\n");
}

TEST(HookDelivery, TheFillKeyLeavesTheBrowserInFrontThroughoutTheFill) {
  Session s;
  writeFile(s.folder / "page.html", "<FORM>氏名 <INPUT name=n></FORM>");
  s.run("desktop browser 500 \"会員登録\" " + (s.folder / "page.html").string() +
        "\nstart\nclick chkPOST\ntext txtAUTO(0) \"山田\"\nclick chkPOST\nmenu mnu1_wk(2)\nlog\n");
  // No foreground change before the read and the writes: the page sees no blur; the browser is
  // handed the foreground only after the fill, where it already was.
  EXPECT_EQ(s.run("desktop send 500 1284\nlog\n"),
            "posted lbuttonup 2000,0 to frmMain\nwindow 500 received null\n"
            "browser 500 read top\nbrowser 500 read top\nbrowser 500 write top\nforeground 500\n");
}

TEST(HookDelivery, NothingIsTakenBeforeStartOrAfterTheEnd) {
  Session s;
  s.run("desktop window 500 \"メモ帳\"\n");
  EXPECT_EQ(s.run("desktop send 500 rbuttonup\nlog\n"), "window 500 received rbuttonup\n");
  s.run("start\nmenu mnu1_ms(3)\nclose\nlog\n");
  EXPECT_EQ(s.run("desktop send 500 rbuttonup\nlog\n"), "window 500 received rbuttonup\n");
}

TEST(HookDelivery, CtrlModesAndTheCaptureTest) {
  Session s;
  s.run("desktop window 500 \"メモ帳\"\nstart\nmenu mnu1_ms(4)\nlog\n");
  // Ctrl at the press only: the press is taken, the lone release reaches the window.
  EXPECT_EQ(s.run("desktop send 500 rbuttondown ctrl\ndesktop send 500 rbuttonup\nlog\n"),
            "window 500 received null\nwindow 500 received rbuttonup\n");
  // A capture window with extended style 0 and a style lets the release through unreported.
  EXPECT_EQ(s.run("menu mnu1_ms(3)\nlog\ndesktop capture 500 0 0x10000000\ndesktop send 500 rbuttonup\nlog\n"),
            "hook M_Mode3\nwindow 500 received rbuttonup\n");
}

TEST(HookDelivery, TheSettingsPanelHoldsTheMouseTriggerOffButNotTheWindowsKey) {
  Session s;
  s.run("desktop window 500 \"メモ帳\"\nstart\nmenu mnu1_ms(3)\nmenu mnu1_wk(1)\nclick chkSET\nlog\n");
  EXPECT_EQ(s.run("desktop send 500 rbuttonup\ndesktop send 500 1284\nlog\n"),
            "window 500 received rbuttonup\n"
            "foreground frmMain\nposted lbuttonup 1000,0 to frmMain\nwindow 500 received null\n"
            "foreground frmMain\npopup mnu0 flags 2\n");
}

}  // namespace
}  // namespace formix::testing
