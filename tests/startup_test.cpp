// Start-up, saving on close and the end of the program, on the simulated desktop.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

TEST(StartUp, SetsTriggerModesBeforeInstallingTheHookAndShowsTheSavedPage) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nPage=2\r\nAdd_Key=1\r\nMouse=3\r\nWin_Key=2\r\n[Strings]\r\nM031=" +
                                  scrambled(u"挨拶") + "\r\nM032=" + scrambled(u"こんにちは") + "\r\n");
  EXPECT_EQ(s.run("start\nlog\n"),
            "hook M_Mode3\nhook K_Mode2\nhook SetHook 0\ntopmost frmMain\nforeground desktop\n"
            "key Ctrl down\nkey Ctrl up\n");
  EXPECT_EQ(s.run("get optPAGE(1).Value\nget mnu0_page(1).Checked\nget mnu0_page(0).Checked\n"
                  "get optKEY(1).Value\nget mnu1_key(1).Checked\nget mnu1_ms(3).Checked\nget mnu1_wk(2).Checked\n"
                  "get frmMain.Caption\nget frmMain.Visible\nget frmMain.Width\n"),
            "optPAGE(1).Value=true\nmnu0_page(1).Checked=true\nmnu0_page(0).Checked=false\n"
            "optKEY(1).Value=true\nmnu1_key(1).Checked=true\nmnu1_ms(3).Checked=true\nmnu1_wk(2).Checked=true\n"
            "frmMain.Caption=Formix \nfrmMain.Visible=true\nfrmMain.Width=1155\n");
  EXPECT_EQ(s.run("get cmd(0).Caption\nget cmd(0).ToolTipText\nget txtCNT(0).Text\nget txtCNT(0).ToolTipText\n"
                  "get mnu0_btn(0).Caption\nget mnu0_btn(1).Caption\n"),
            "cmd(0).Caption=挨拶\ncmd(0).ToolTipText=こんにちは\ntxtCNT(0).Text=こんにちは\ntxtCNT(0).ToolTipText=\n"
            "mnu0_btn(0).Caption=挨拶\nmnu0_btn(1).Caption=---\n");
}

TEST(StartUp, FirstStartUsesEveryDefault) {
  Session s;
  EXPECT_EQ(s.run("start\nget frmMain.Left\nget frmMain.Top\nget optPAGE(0).Value\nget optMS(0).Value\n"
                  "get optKEY(0).Value\nget optWK(0).Value\nget chkTRAY.Value\nget cboAUTO(0).ListCount\n"
                  "get cboAUTO(0).Text\nget cboAUTO(1).Text\nget optAUTO(0).Value\nget lblVer.Caption\n"),
            "frmMain.Left=0\nfrmMain.Top=0\noptPAGE(0).Value=true\noptMS(0).Value=true\noptKEY(0).Value=true\n"
            "optWK(0).Value=true\nchkTRAY.Value=0\ncboAUTO(0).ListCount=48\ncboAUTO(0).Text=\ncboAUTO(1).Text=\n"
            "optAUTO(0).Value=true\nlblVer.Caption=Formix 0.1.0\n");
  EXPECT_EQ(s.script.program()->iWait, 50);
}

TEST(StartUp, ASecondInstanceEndsSilentlyWithoutTouchingTheFile) {
  Session s;
  writeFile(s.settingsFile(), "[Position]\r\nLeft=99\r\n");
  EXPECT_EQ(s.run("desktop another-instance\nstart\nlog\n"), "process ended\n");
  EXPECT_EQ(readFile(s.settingsFile()), "[Position]\r\nLeft=99\r\n");
}

TEST(StartUp, ARefusedHookEndsTheProgramBeforeAnythingIsWritten) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nMouse=3\r\n");
  EXPECT_EQ(s.run("desktop hook-fails\nstart\nlog\n"),
            "hook M_Mode3\nhook K_Mode0\nhook SetHook -1\n"
            "message \"フックに失敗しました。\" title \"Formix\" icon 16\nprocess ended\n");
  EXPECT_EQ(readFile(s.settingsFile()), "[Settings]\r\nMouse=3\r\n");
}

TEST(StartUp, AMissingHookLibraryIsSaidOnceAndTheProgramRunsOnAndSaves) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nMouse=3\r\nWin_Key=2\r\n");
  const std::string log = s.run("desktop hook-missing\nstart\nlog\n");
  EXPECT_EQ(log.find("hook library fmxhook not found\nmessage \"フックライブラリ fmxhook を読み込めませんでした。"), 0u)
      << log;
  EXPECT_NE(log.find("icon 48\ntopmost frmMain\n"), std::string::npos) << log;
  EXPECT_EQ(s.run("get optMS(3).Value\nclick chkPOST\ntext txtAUTO(0) \"山田\"\nclick chkPOST\nclose\nlog\n"),
            "optMS(3).Value=true\nclipboard clear\nprocess ended\n");  // no unhook message
  EXPECT_NE(readFile(s.settingsFile()).find("A001=D075CD44\r\n"), std::string::npos);
}

TEST(StartUp, KeepsTheBarWholeOnTheScreen) {
  Session s;  // 1024 x 768 pixels: 15360 x 11520 twips
  writeFile(s.settingsFile(), "[Position]\r\nLeft=15000\r\nTop=11000\r\n");
  EXPECT_EQ(s.run("start\nget frmMain.Left\nget frmMain.Top\nclose\n"), "frmMain.Left=14205\nfrmMain.Top=5220\n");
  writeFile(s.settingsFile(), "[Position]\r\nLeft=-300\r\nTop=1e40\r\n");  // Top overflows: step skipped
  EXPECT_EQ(s.run("start\nget frmMain.Left\nget frmMain.Top\n"), "frmMain.Left=0\nfrmMain.Top=0\n");
}

TEST(StartUp, APageOutsideTheRangeStartsOnTheFirstPageAndKeepsEdits) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nPage=15\r\n");
  EXPECT_EQ(s.run("start\nget optPAGE(0).Value\nget mnu0_page(0).Checked\n"),
            "optPAGE(0).Value=true\nmnu0_page(0).Checked=true\n");
  s.run("click chkSET\ntext txtTT(0) \"挨拶\"\nclose\n");
  const std::string file = readFile(s.settingsFile());
  EXPECT_NE(file.find("Page=1\r\n"), std::string::npos);
  EXPECT_NE(file.find("M001=" + scrambled(u"挨拶") + "\r\n"), std::string::npos) << file;
}

TEST(StartUp, AnOptionIndexOutOfRangeSelectsNothingAndIsKept) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nMouse=7\r\nTask_Tray=5\r\nWait=-20\r\n");
  const std::string log = s.run("start\nlog\n");
  EXPECT_EQ(log.find("M_Mode"), std::string::npos) << log;  // no mode call for a missing option
  std::string checks = s.run("get optMS(0).Value\nget mnu1_ms(0).Checked\nget chkTRAY.Value\n");
  EXPECT_EQ(checks, "optMS(0).Value=false\nmnu1_ms(0).Checked=false\nchkTRAY.Value=0\n");
  EXPECT_EQ(s.script.program()->iWait, 50);  // a negative wait would never end
  s.run("close\n");
  const std::string file = readFile(s.settingsFile());
  EXPECT_NE(file.find("Mouse=7\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Task_Tray=0\r\nWait=50\r\n"), std::string::npos) << file;
}

TEST(Shutdown, SavesTheNarrowBarsPositionAndEverySetting) {
  Session s;  // screen 15360 twips wide
  writeFile(s.settingsFile(), "[Position]\r\nLeft=10000\r\nTop=450\r\n");
  s.run("start\nclick chkPOST\n");
  EXPECT_EQ(s.run("get frmMain.Left\n"), "frmMain.Left=4775\n");  // shifted left to make room for the panel
  s.run("close\n");
  const std::string file = readFile(s.settingsFile());
  EXPECT_EQ(file.rfind("[Position]\r\nLeft=10000\r\nTop=450\r\n[Settings]\r\nPage=1\r\nAdd_Key=0\r\nMouse=0\r\n", 0), 0u)
      << file;
}

TEST(Shutdown, TheExitItemDeletesTheIconSavesAndUnhooks) {
  Session s;
  s.run("start\nclick cmdTRAY\nlog\n");
  EXPECT_EQ(s.run("menu mnu0_end\nlog\n"), "tray delete\nhook RemoveHook 0\nclipboard clear\nprocess ended\n");
  EXPECT_TRUE(std::filesystem::exists(s.settingsFile()));
}

TEST(Shutdown, ASaveAndRestartRestoresEveryValue) {
  Session s;
  s.run("desktop screen 1280 1024\nstart\nmove 3000 2000\nclick chkPOST\n");
  const char* profile[16] = {"山田", "太郎", "やまだ", "たろう", "taro.yamada", "example.co.jp", "100", "0001",
                             "千代田区千代田1-1", "ABCビル 101", "1980", "5", "15", "03", "1234", "5678"};
  std::string edits;
  for (int i = 0; i < 16; ++i) edits += "text txtAUTO(" + std::to_string(i) + ") \"" + profile[i] + "\"\n";
  edits += "text cboAUTO(0) \"東京都\"\ntext cboAUTO(1) \"会社員\"\nclick optAUTO(1)\n";
  edits += "click chkSET\ntext txtTT(0) \"挨拶\"\ntext txtCNT(0) \"いつもお世話になっております。%R山田です。\"\n";
  edits += "click optPAGE(2)\ntext txtTT(14) \"最後\"\ntext txtCNT(14) \"%D\"\n";
  edits += "click optMS(4)\nclick optKEY(2)\nclick optWK(1)\nclick chkTRAY\nclick chkSET\nclose\n";
  s.run(edits);

  std::string queries, expected;
  for (int i = 0; i < 16; ++i) {
    queries += "get txtAUTO(" + std::to_string(i) + ").Text\n";
    expected += "txtAUTO(" + std::to_string(i) + ").Text=" + profile[i] + "\n";
  }
  queries +=
      "get cboAUTO(0).Text\nget cboAUTO(1).Text\nget optAUTO(1).Value\nget frmMain.Left\nget frmMain.Top\n"
      "get optPAGE(2).Value\nget cmd(14).Caption\nget cmd(14).ToolTipText\nget optMS(4).Value\n"
      "get optKEY(2).Value\nget optWK(1).Value\nget chkTRAY.Value\nget frmMain.Visible\n";
  expected +=
      "cboAUTO(0).Text=東京都\ncboAUTO(1).Text=会社員\noptAUTO(1).Value=true\nfrmMain.Left=3000\nfrmMain.Top=2000\n"
      "optPAGE(2).Value=true\ncmd(14).Caption=最後\ncmd(14).ToolTipText=%D\noptMS(4).Value=true\n"
      "optKEY(2).Value=true\noptWK(1).Value=true\nchkTRAY.Value=1\nfrmMain.Visible=false\n";
  EXPECT_EQ(s.run("start\n" + queries), expected);
  EXPECT_EQ(s.run("tray 514\nclick optPAGE(0)\nget cmd(0).Caption\nget cmd(0).ToolTipText\n"),
            "cmd(0).Caption=挨拶\ncmd(0).ToolTipText=いつもお世話になっております。%R山田です。\n");
}

TEST(Commands, OpenTargetTrimsAndFallsBackToTheShell) {
  platform::SimulatedDesktop desktop;
  auto ports = desktop.ports();
  desktop.addProgram(u"notepad.exe memo.txt");
  std::u16string blank = u"   ";
  app::OpenTarget(ports, 7, blank);
  EXPECT_EQ(blank, u"");
  std::u16string program = u"  notepad.exe memo.txt ";
  app::OpenTarget(ports, 7, program);
  EXPECT_EQ(program, u"notepad.exe memo.txt");
  std::u16string document = u" C:\\メモ.txt";
  app::OpenTarget(ports, 7, document);
  EXPECT_EQ(desktop.takeLog(), (std::vector<std::string>{"start \"notepad.exe memo.txt\" style 2",
                                                         "start \"C:\\\\メモ.txt\" style 2 failed",
                                                         "open \"C:\\\\メモ.txt\" owner 7"}));
  Session s;
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("click lblURL\nlog\n"), "open \"https://formix.example.jp/\" owner frmMain\n");
}

TEST(Commands, OpenTargetNeverStartsAQuotedFileOrAnAddress) {
  platform::SimulatedDesktop desktop;
  auto ports = desktop.ports();
  desktop.addProgram(u"report 2024.pdf");  // a program "report" would take "2024.pdf" as its argument
  desktop.addProgram(u"https://example.org/a b");
  desktop.addProgram(u"-x");
  for (std::u16string target : {u" \"/home/taro/report 2024.pdf\" ", u"https://example.org/a b",
                                u"mailto:taro@example.jp", u"\"-x\""}) {
    app::OpenTarget(ports, 7, target);
  }
  EXPECT_EQ(desktop.takeLog(), (std::vector<std::string>{"open \"/home/taro/report 2024.pdf\" owner 7",
                                                         "open \"https://example.org/a b\" owner 7",
                                                         "open \"mailto:taro@example.jp\" owner 7",
                                                         "open \"-x\" owner 7"}));
  EXPECT_TRUE(app::looksLikeAddress(u"x-app+1.2:open"));
  EXPECT_FALSE(app::looksLikeAddress(u"C:\\メモ.txt"));  // a drive, not a scheme
  EXPECT_FALSE(app::looksLikeAddress(u"notepad.exe C:\\メモ.txt"));
  EXPECT_FALSE(app::looksLikeAddress(u"1http:x"));
  EXPECT_FALSE(app::looksLikeAddress(u"gedit ~/notes.txt"));
}

}  // namespace
}  // namespace formix::testing
