// The whole-form fill through the desktop: the browser below the bar, its frames, the busy icon.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

constexpr const char* kNamePage = "<FORM action=/a>氏名 <INPUT name=n></FORM>";
constexpr const char* kFilledName = "<FORM action=/a>氏名 <INPUT name=n value=\"山田\"></FORM>";

// A session with the family name typed into the profile panel and a browser (handle 500) below
// the bar whose top document is `top`, with `frames` frame documents of the name page.
std::unique_ptr<Session> browserSession(const std::string& top, int frames = 0) {
  auto s = std::make_unique<Session>();
  writeFile(s->folder / "top.html", top);
  writeFile(s->folder / "frame.html", kNamePage);
  std::string script = "desktop browser 500 \"会員登録 - ブラウザ\" " + (s->folder / "top.html").string() + "\n";
  for (int k = 0; k < frames; ++k) script += "desktop frame 500 " + (s->folder / "frame.html").string() + "\n";
  script += "start\nclick chkPOST\ntext txtAUTO(0) \"山田\"\nclick chkPOST\nlog\n";
  s->run(script);
  return s;
}

TEST(WholeFormFill, FillsTheTopDocumentOfTheBrowserBelowTheBar) {
  auto s = browserSession(kNamePage);
  EXPECT_EQ(s->run("click cmdPOST\nlog\nget-html 500\nget cmdPOST.Enabled\n"),
            "browser 500 read top\nbrowser 500 read top\nbrowser 500 write top\n"
            "foreground 500\n" + std::string(kFilledName) + "\ncmdPOST.Enabled=true\n");
}

TEST(WholeFormFill, ATargetThatIsNoBrowserIsOnlyBroughtToTheFront) {
  auto s = browserSession(kNamePage);
  EXPECT_EQ(s->run("desktop window 600 \"メモ帳\"\nclick cmdPOST\nlog\nget-html 500\n"),
            "foreground 600\n" + std::string(kNamePage) + "\n");
  EXPECT_EQ(s->run("get cmdPOST.Enabled\n"), "cmdPOST.Enabled=true\n");
}

TEST(WholeFormFill, NoEligibleWindowDoesNothing) {
  Session s;
  s.run("start\nlog\n");
  EXPECT_EQ(s.run("click cmdPOST\nlog\n"), "");
}

TEST(WholeFormFill, FillsAtMostTenFramesAndLeavesTheTopDocument) {
  auto s = browserSession("<FRAMESET></FRAMESET>", 12);
  const std::string log = s->run("click cmdPOST\nlog\n");
  EXPECT_NE(log.find("browser 500 write frame 9\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("frame 10"), std::string::npos) << log;
  EXPECT_EQ(log.find("write top"), std::string::npos) << log;
  EXPECT_EQ(s->run("get-html 500 9\nget-html 500 10\n"), std::string(kFilledName) + "\n" + kNamePage + "\n");
}

TEST(WholeFormFill, APageWithInlineFramesIsOneDocument) {
  const std::string page = std::string("<iframe src=ad.html></iframe>") + kNamePage;
  auto inlineOnly = browserSession("<IFRAME src=ad.html></IFRAME>" + std::string(kNamePage));
  const std::string log = inlineOnly->run("click cmdPOST\nlog\n");
  EXPECT_EQ(log.find("write top"), log.rfind("write top"));  // once
  auto withFrames = browserSession(page, 2);
  EXPECT_EQ(withFrames->run("click cmdPOST\nlog\n"),
            "browser 500 read top\nbrowser 500 read top\nbrowser 500 write top\nforeground 500\n");
  EXPECT_EQ(withFrames->run("get-html 500 0\n"), std::string(kNamePage) + "\n");
}

TEST(WholeFormFill, WhileHiddenTheTrayIconShowsBusyAndASecondTriggerIsDropped) {
  auto s = browserSession(kNamePage);
  s->run("click cmdTRAY\nmenu mnu1_wk(2)\nlog\n");
  // Two Windows-key reports arrive together: the second is handled during the first fill.
  auto& desktop = s->script.desktop();
  desktop.postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 2000, 0);
  desktop.postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 2000, 0);
  s->run("log\n");
  desktop.pumpMessages();
  const std::string log = s->run("log\n");
  EXPECT_EQ(log,
            "tray modify busy\nbrowser 500 read top\nbrowser 500 read top\n"
            "browser 500 write top\ntray modify normal\nforeground 500\n");
}

TEST(WholeFormFill, AProgramClosedDuringAFillWritesNothingMore) {
  auto s = browserSession(kNamePage);
  s->run("menu mnu1_wk(2)\nlog\n");
  auto& desktop = s->script.desktop();
  app::FrmMain& program = *s->script.program();
  // The fill report arrives first; a close request is handled while the page is being filled.
  const auto deliver = desktop.mainWindowInput;
  int delivered = 0;
  desktop.mainWindowInput = [&](uint32_t message, int x, int y) {
    if (delivered++ == 0) return deliver(message, x, y);
    try {
      program.closeWindow();
    } catch (const app::ProgramEnded&) {
    }
  };
  desktop.postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 2000, 0);
  desktop.postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 0, 0);
  desktop.pumpMessages();
  const std::string log = s->run("log\n");
  EXPECT_NE(log.find("process ended"), std::string::npos) << log;
  EXPECT_EQ(log.find("write top"), std::string::npos) << log;
  EXPECT_EQ(s->run("get-html 500\n"), std::string(kNamePage) + "\n");
}

TEST(WholeFormFill, TheWindowsKeyFillsARegistrationPageFromTheTypedProfile) {
  Session s;
  const std::string page = readFile(std::string(FORMIX_SOURCE_DIR) + "/examples/registration.html");
  writeFile(s.folder / "page.html", page);
  const char* values[16] = {"佐藤", "花子", "さとう", "はなこ", "hanako", "example.jp", "530", "0001",
                            "大阪市北区梅田1-1", "(below)", "1985", "3", "9", "06", "6123", "4567"};
  std::string script = "desktop today 2025-06-01\ndesktop browser 500 \"会員登録\" " + (s.folder / "page.html").string() +
                       "\nstart\nclick chkPOST\n";
  for (int i = 0; i < 16; ++i) script += "text txtAUTO(" + std::to_string(i) + ") \"" + values[i] + "\"\n";
  script += "text txtAUTO(9) \"梅田\\\"ビル\\\" 5F\"\n";
  script += "text cboAUTO(0) \"大阪府\"\ntext cboAUTO(1) \"主婦\"\nclick optAUTO(1)\nclick chkPOST\n";
  script += "menu mnu1_wk(2)\ndesktop send 500 1284\n";
  s.run(script);
  const std::string html = s.run("get-html 500\n");
  for (const char* field : {
           "<INPUT maxLength=20 size=12 name=name1 value=\"佐藤\">",
           "<INPUT maxLength=20 size=12 name=name2 value=\"花子\">",
           "<INPUT maxLength=20 size=12 name=kana1 value=\"サトウ\">",
           "<INPUT size=16 name=mail_user value=\"hanako\">",
           "<INPUT size=24 name=mail_domain value=\"example.jp\">",
           "<INPUT maxLength=3 size=4 name=zip1 value=\"530\">",
           "<INPUT maxLength=4 size=5 name=zip2 value=\"0001\">",
           "<OPTION value=27 SELECTED>大阪府",
           "<INPUT size=40 name=addr1 value=\"大阪市北区梅田1-1\">",
           "<INPUT size=40 name=addr2 value=\"梅田&quot;ビル&quot; 5F\">",
           "<OPTION value=1985 SELECTED>1985",
           "<OPTION value=3 SELECTED>3",
           "<OPTION value=9 SELECTED>9",
           "<INPUT type=radio value=1 name=sex>男性 ",
           "name=sex CHECKED>女性",
           "<OPTION value=5 SELECTED>主婦",
           "<INPUT maxLength=5 size=5 name=tel1 value=\"06\">",
           "<INPUT maxLength=4 size=5 name=tel3 value=\"4567\">",
           "<INPUT type=password maxLength=16 size=16 name=passwd>",
       }) {
    EXPECT_NE(html.find(field), std::string::npos) << field;
  }
  EXPECT_EQ(html.find("<OPTION value=0 selected>選択してください</OPTION><OPTION value=1>北海道"), std::string::npos);
}

}  // namespace
}  // namespace formix::testing
