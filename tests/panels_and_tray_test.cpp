// The side panels, the notification-area icon and the profile panel's input rules.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

// 1024 pixels wide: 15360 twips.
constexpr const char* kNearTheRightEdge = "[Position]\r\nLeft=10000\r\n[Settings]\r\nMouse=3\r\n";

TEST(SidePanels, OpeningNearTheRightEdgeShiftsLeftAndClosingShiftsBack) {
  Session s;
  writeFile(s.settingsFile(), kNearTheRightEdge);
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("click chkPOST\nget frmMain.Left\nget frmMain.Width\nget frPOST.Visible\nget cmdTRAY.Enabled\nlog\n"),
            "frmMain.Left=4775\nfrmMain.Width=6380\nfrPOST.Visible=true\ncmdTRAY.Enabled=false\nhook M_Mode0\n");
  EXPECT_TRUE(s.script.program()->panelShift);
  EXPECT_EQ(s.run("click chkPOST\nget frmMain.Left\nget frmMain.Width\nget frPOST.Visible\nget cmdTRAY.Enabled\nlog\n"),
            "frmMain.Left=10000\nfrmMain.Width=1155\nfrPOST.Visible=false\ncmdTRAY.Enabled=true\nhook M_Mode3\n");
}

TEST(SidePanels, FarFromTheEdgeTheWindowStaysPut) {
  Session s;
  s.run("start\nmove 1000 0\nclick chkSET\n");
  EXPECT_EQ(s.run("get frmMain.Left\n"), "frmMain.Left=1000\n");
  EXPECT_FALSE(s.script.program()->panelShift);
  EXPECT_EQ(s.run("click chkSET\nget frmMain.Left\n"), "frmMain.Left=1000\n");
}

TEST(SidePanels, AWindowDraggedWhileWideMovesBackOnlyWithinThirtyTwips) {
  Session s;
  writeFile(s.settingsFile(), kNearTheRightEdge);
  // Dragged to 9000: the bar at 9000 + 5225 would end 20 twips past the edge, within the 30.
  EXPECT_EQ(s.run("start\nclick chkPOST\nmove 9000 0\nclick chkPOST\nget frmMain.Left\n"), "frmMain.Left=14225\n");
  // Dragged to 9100: it would end 120 twips past the edge, so it narrows where it stands.
  EXPECT_EQ(s.run("click chkPOST\nmove 9100 0\nclick chkPOST\nget frmMain.Left\n"), "frmMain.Left=9100\n");
  EXPECT_FALSE(s.script.program()->panelShift);
}

TEST(SidePanels, SwitchingPanelsStoresTheSettingsPageAndKeepsTheWindowWideAndInPlace) {
  Session s;
  writeFile(s.settingsFile(), kNearTheRightEdge);
  s.run("start\nclick chkSET\n");
  EXPECT_EQ(s.run("get cmd(0).Enabled\nget cmd(0).Caption\nget txtTT(0).Visible\nget frmMain.Left\n"),
            "cmd(0).Enabled=false\ncmd(0).Caption=\ntxtTT(0).Visible=true\nfrmMain.Left=4775\n");
  s.run("log\ntext txtTT(0) \"挨拶\"\n");
  EXPECT_EQ(s.run("click chkPOST\nlog\n"), "hook M_Mode3\nhook M_Mode0\n");  // restored, then off again
  EXPECT_EQ(s.run("get chkSET.Value\nget frSET.Visible\nget frPOST.Visible\nget txtTT(0).Visible\nget cmd(0).Enabled\n"
                  "get cmd(0).Caption\nget mnu0_btn(0).Caption\nget frmMain.Left\nget frmMain.Width\n"),
            "chkSET.Value=0\nfrSET.Visible=false\nfrPOST.Visible=true\ntxtTT(0).Visible=false\ncmd(0).Enabled=true\n"
            "cmd(0).Caption=挨拶\nmnu0_btn(0).Caption=挨拶\nfrmMain.Left=4775\nfrmMain.Width=6380\n");
  EXPECT_EQ(s.script.program()->sTT[0], u"挨拶");
}

TEST(SidePanels, TheToggleReleaseFocusesThePanelsFirstField) {
  Session s;
  s.run("start\nclick chkPOST\n");
  EXPECT_EQ(s.script.program()->focused(), &s.script.program()->txtAUTO(0));
  s.run("click chkPOST\n");  // the panel is hidden now: the focus stays on the bar
  EXPECT_EQ(s.script.program()->focused(), &s.script.program()->picBTN);
  s.run("click chkSET\n");
  EXPECT_EQ(s.script.program()->focused(), &s.script.program()->txtTT(0));
}

TEST(SidePanels, ClosingWithAShiftedPanelSavesTheBarsOwnPosition) {
  Session s;
  writeFile(s.settingsFile(), kNearTheRightEdge);
  s.run("start\nclick chkSET\nclose\n");
  EXPECT_EQ(readFile(s.settingsFile()).rfind("[Position]\r\nLeft=10000\r\n", 0), 0u);
}

TEST(Tray, HideRestoreAndPopupCycle) {
  Session s;
  writeFile(s.settingsFile(), "[Strings]\r\nM001=" + scrambled(u"挨拶") + "\r\n");
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("click cmdTRAY\nget frmMain.Visible\nget mnu0_btn(0).Caption\nget mnu0_btn(1).Caption\nlog\n"),
            "frmMain.Visible=false\nmnu0_btn(0).Caption=挨拶\nmnu0_btn(1).Caption=---\ntray add normal\n");
  EXPECT_EQ(s.run("tray 512\ntray 513\ntray 516\nlog\n"), "");  // moves and presses do nothing
  EXPECT_EQ(s.run("tray 517\nget frmMain.Visible\nlog\n"),
            "frmMain.Visible=false\nforeground frmMain\npopup mnu0 flags 2\n");
  EXPECT_EQ(s.run("tray 514\nget frmMain.Visible\nlog\n"),
            "frmMain.Visible=true\nforeground desktop\nforeground frmMain\ntray delete\n");
}

TEST(Tray, StartsHiddenWhenAskedAndShowsTheBusyIconOnlyWhileHidden) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nTask_Tray=1\r\n");
  const std::string log = s.run("start\nlog\nget frmMain.Visible\n");
  EXPECT_NE(log.find("key Ctrl up\ntray add normal\n"), std::string::npos) << log;
  EXPECT_NE(log.find("frmMain.Visible=false"), std::string::npos);
  app::FrmMain& program = *s.script.program();
  program.busyIconOn();
  program.busyIconOff();
  EXPECT_EQ(s.run("log\n"), "tray modify busy\ntray modify normal\n");
  s.run("tray 514\n");
  program.busyIconOn();
  EXPECT_EQ(s.run("log\n"), "foreground desktop\nforeground frmMain\ntray delete\n");  // no icon to modify
  s.run("click cmdTRAY\n");  // an icon added during a fill shows the busy picture
  EXPECT_EQ(s.run("log\n"), "tray add busy\n");
}

TEST(Tray, TheTrayButtonIsDisabledWhileAPanelIsOpen) {
  Session s;
  EXPECT_EQ(s.error("start\nclick chkPOST\nclick cmdTRAY\n"),
            "formix-tool: line 3: cannot click cmdTRAY: it is disabled\n");
  EXPECT_EQ(s.run("get frmMain.Visible\n"), "frmMain.Visible=true\n");
}

TEST(ProfileInput, DigitsOnlyBoxesRefuseTypedLettersButNotPastes) {
  Session s;
  s.run("start\nclick chkPOST\nclick txtAUTO(6)\n");
  EXPECT_EQ(s.run("keypress txtAUTO(6) 49\nkeypress txtAUTO(6) 65\nkeypress txtAUTO(6) 50\nget txtAUTO(6).Text\n"
                  "keypress txtAUTO(6) 8\nget txtAUTO(6).Text\n"),
            "txtAUTO(6).Text=12\ntxtAUTO(6).Text=1\n");
  EXPECT_EQ(s.run("keypress txtAUTO(0) 65\nget txtAUTO(0).Text\n"), "txtAUTO(0).Text=A\n");
  EXPECT_EQ(s.run("text txtAUTO(13) \"03-1\"\nget txtAUTO(13).Text\n"), "txtAUTO(13).Text=03-1\n");
  EXPECT_EQ(s.run("keypress txtAUTO(7) 53\nkeypress txtAUTO(7) 53\nkeypress txtAUTO(7) 53\nkeypress txtAUTO(7) 53\n"
                  "keypress txtAUTO(7) 53\nget txtAUTO(7).Text\n"),
            "txtAUTO(7).Text=5555\n");  // at most 4 digits
}

TEST(ProfileInput, LeavingABoxRemovesLineBreaksAndEnteringSelectsAll) {
  Session s;
  s.run("start\nclick chkPOST\n");
  EXPECT_EQ(s.run("text txtAUTO(8) \"千代田区\\n千代田\\t1-1\"\nget txtAUTO(8).Text\nfocus txtAUTO(9)\n"
                  "get txtAUTO(8).Text\nget txtAUTO(8).SelStart\n"),
            "txtAUTO(8).Text=千代田区\\n千代田\\t1-1\ntxtAUTO(8).Text=千代田区千代田1-1\ntxtAUTO(8).SelStart=0\n");
  EXPECT_EQ(s.run("focus txtAUTO(8)\nget txtAUTO(8).SelStart\nget txtAUTO(8).SelLength\n"),
            "txtAUTO(8).SelStart=0\ntxtAUTO(8).SelLength=10\n");
  EXPECT_EQ(s.run("keypress txtAUTO(8) 65\nget txtAUTO(8).Text\n"), "txtAUTO(8).Text=A\n");  // typing replaces
}

TEST(ProfileInput, AStoredGenderThatIsNeitherKeepsTheFirst) {
  Session s;
  writeFile(s.settingsFile(), "[Strings]\r\nA019=" + scrambled(u"その他") + "\r\n");
  EXPECT_EQ(s.run("start\nget optAUTO(0).Value\n"), "optAUTO(0).Value=true\n");
}

TEST(SessionLanguage, ReportsOneClearLineAndStops) {
  const struct {
    std::string script, message;
  } cases[] = {
      {"frobnicate\n", "line 1: unknown command 'frobnicate'"},
      {"start\nclick nosuch(3)\nlog\n", "line 2: unknown control 'nosuch(3)'"},
      {"click cmdPOST\n", "line 1: Formix has not been started (use start)"},
      {"start\nget cmd(15).Caption\n", "line 2: unknown control 'cmd(15)'"},
      {"start\nget cmd(1).Colour\n", "line 2: cmd(1) has no property Colour"},
      {"start\nfocus txtTT(0)\n", "line 2: txtTT(0) cannot take the focus"},
      {"start\ntext txtAUTO(0) \"open\n", "line 2: unclosed quote"},
      {"start\nmenu cmd(0)\n", "line 2: 'cmd(0)' is not a menu item"},
      {"start\nclose\nclick cmdPOST\n", "line 3: Formix has ended"},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    const ToolRun run = runTool("session", "desktop folder " + folder.path().string() + "\n" + c.script);
    EXPECT_EQ(run.status, 2) << c.script;
    const std::string shifted = c.message.substr(0, 5) + std::to_string(std::stoi(c.message.substr(5)) + 1) +
                                c.message.substr(c.message.find(':'));
    EXPECT_EQ(run.err, "formix-tool: " + shifted + "\n") << c.script;
  }
}

}  // namespace
}  // namespace formix::testing
