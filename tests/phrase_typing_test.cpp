// Typing a phrase into the window under the bar, and the popup menu that chooses pages and phrases.
#include <gtest/gtest.h>

#include <limits>

#include "app/paste_keys.h"

#include "tests/phrase_test_support.h"

namespace formix::testing {
namespace {

std::string pasted(const std::string& text) {
  return "clipboard clear\nclipboard \"" + text + "\"\nkey Ctrl down\nkey V down\nkey V up\nkey Ctrl up\n";
}

// A session with a notepad window (handle 100) under the bar and these phrases on page 1.
std::string startWith(Session& s, const std::string& strings, const std::string& settings = "") {
  writeFile(s.settingsFile(), "[Settings]\r\n" + settings + "[Strings]\r\n" + strings);
  return s.run("desktop window 100 \"メモ - メモ帳\"\ndesktop now 2004-07-09T09:05:07\nstart\nlog\n");
}

TEST(TypePhrase, PastesIntoTheWindowUnderTheBarAfterTheWaitThenTheAddedKey) {
  Session s;
  startWith(s, phraseLines(1, 0, u"日付", u"%D%R") + phraseLines(1, 1, u"", u"x"), "Wait=120\r\n");
  const std::string added[] = {"", "key Tab down\nkey Tab up\n", "key Enter down\nkey Enter up\n"};
  for (int option = 0; option < 3; ++option) {
    s.run("menu mnu1_key(" + std::to_string(option) + ")\n");
    const double before = s.script.desktop().nowMs();
    EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\n" + pasted("2004/07/09\\r\\n") + added[option]);
    EXPECT_EQ(s.script.desktop().nowMs() - before, 120);
    EXPECT_EQ(s.run("get tm.Interval\n"), "tm.Interval=0\n");
  }
  EXPECT_EQ(s.script.desktop().text(), u"2004/07/09\r\n");  // the clipboard keeps the phrase
  s.run("menu mnu1_key(2)\n");
  EXPECT_EQ(s.run("menu mnu0_btn(1)\nlog\n"), "foreground 100\n" + pasted("x") + "key Enter down\nkey Enter up\n");
}

TEST(TypePhrase, NothingHappensWithoutTextOrTarget) {
  Session s;
  startWith(s, phraseLines(1, 0, u"空", u"") + phraseLines(1, 1, u"%", u"%") + phraseLines(1, 2, u"語", u"word") +
                   phraseLines(1, 3, u"開く", u"memo %O  C:\\メモ.txt ") + phraseLines(1, 4, u"", u"%O"));
  EXPECT_EQ(s.run("click cmd(0)\nclick cmd(1)\nmenu mnu0_btn(4)\nlog\n"), "");
  // A %O phrase opens its target (trimmed) and types nothing, not even the word before the code.
  EXPECT_EQ(s.run("click cmd(3)\nlog\n"), "start \"C:\\\\メモ.txt\" style 2 failed\nopen \"C:\\\\メモ.txt\" owner frmMain\n");
  // Every other window hidden, always on top or our own: no target.
  s.run("desktop window 100 \"メモ - メモ帳\" hidden\ndesktop window 101 \"Formix help\"\n");
  EXPECT_EQ(s.run("click cmd(2)\nlog\n"), "");
}

TEST(TypePhrase, AWaitThatIsNotPositiveStillEnds) {
  Session s;
  startWith(s, phraseLines(1, 0, u"a", u"a"));
  s.script.program()->iWait = -20;
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\n" + pasted("a"));
  EXPECT_EQ(s.script.desktop().nowMs(), 50);
}

TEST(TypePhrase, TwoSequencesWaitingAtOnceAreReleasedByOneTickInnermostFirst) {
  Session s;
  startWith(s, phraseLines(1, 0, u"外", u"outer") + phraseLines(1, 1, u"内", u"inner"), "Add_Key=1\r\n");
  app::FrmMain& program = *s.script.program();
  // While the first waits, the second is chosen from the popup.
  s.script.desktop().mainWindowInput = [&](uint32_t, int, int) { program.chooseMenuItem(program.mnu0_btn(1)); };
  s.script.desktop().postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 0, 0);
  const std::string tab = "key Tab down\nkey Tab up\n";
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "posted lbuttonup 0,0 to frmMain\nforeground 100\nforeground 100\n" +
                                               pasted("inner") + tab + pasted("outer") + tab);
  EXPECT_EQ(s.script.desktop().nowMs(), 50);  // one tick
  EXPECT_FALSE(program.bWaiting);
}

TEST(TypePhrase, ClosingTheProgramDuringTheWaitEndsTheSequence) {
  Session s;
  startWith(s, phraseLines(1, 0, u"a", u"a"));
  app::FrmMain& program = *s.script.program();
  s.script.desktop().mainWindowInput = [&](uint32_t, int, int) {
    try {
      program.chooseMenuItem(program.mnu0_end);
    } catch (const app::ProgramEnded&) {
    }
  };
  s.script.desktop().postMessage(platform::SimulatedDesktop::kMainHandle, 0x202, 0, 0);
  const std::string log = s.run("click cmd(0)\nlog\n");
  EXPECT_EQ(log.find("clipboard \""), std::string::npos) << log;
  EXPECT_FALSE(program.running());
}

TEST(TypePhrase, TheAddedKeyWaitsUntilTheProgramHasFetchedThePastedText) {
  Session s;
  startWith(s, phraseLines(1, 0, u"a", u"a%Rb"), "Add_Key=2\r\n");
  platform::SimulatedDesktop& desktop = s.script.desktop();
  const std::string enter = "key Enter down\nkey Enter up\n";
  // A program that fetches the text 30 ms after the paste key gets Enter after it.
  desktop.setPasteFetchDelay(30);
  double before = desktop.nowMs();
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\n" + pasted("a\\r\\nb") + "paste fetched by 100\n" + enter);
  EXPECT_EQ(desktop.nowMs() - before, 50 + 30);
  // One that never asks gets it after half a second, as the sequence says.
  desktop.setPasteFetchDelay(std::numeric_limits<double>::infinity());
  before = desktop.nowMs();
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\n" + pasted("a\\r\\nb") + "paste not fetched in time\n" + enter);
  EXPECT_EQ(desktop.nowMs() - before, 50 + 500);
  // Without an added key nothing waits for the fetch.
  s.run("menu mnu1_key(0)\n");
  before = desktop.nowMs();
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\n" + pasted("a\\r\\nb"));
  EXPECT_EQ(desktop.nowMs() - before, 50);
}

TEST(TypePhrase, AProgramTheUserNamesInTheSettingsFileGetsItsOwnPasteKey) {
  Session s;
  const std::string strings = phraseLines(1, 0, u"a", u"x%Ry");
  writeFile(s.settingsFile(), "[Settings]\r\nAdd_Key=0\r\n[PasteKeys]\r\nurxvt=Shift+Insert\r\nMyTerm = ctrl+shift+v\r\n"
                              "broken=Ctrl+Ctrl+V\r\nwhat=Hyper+V\r\n[Strings]\r\n" + strings);
  platform::SimulatedDesktop& desktop = s.script.desktop();
  const auto window = [&](ports::WindowHandle handle, std::u16string program) {
    desktop.addWindow({handle, u"term"});
    desktop.setProgramName(handle, std::move(program));
  };
  window(100, u"URxvt");
  s.run("start\nlog\n");
  // Shift+Insert pastes the selection in some programs: the selection holds the text too.
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 100\nclipboard clear\nclipboard \"x\\r\\ny\"\nselection \"x\\r\\ny\"\n"
                                           "key Shift down\nkey Insert down\nkey Insert up\nkey Shift up\n");
  window(101, u"myterm");
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 101\nclipboard clear\nclipboard \"x\\r\\ny\"\n"
                                           "key Ctrl down\nkey Shift down\nkey V down\nkey V up\nkey Shift up\nkey Ctrl up\n");
  // Entries whose keys cannot be read are left out: the program gets Ctrl+V.
  window(102, u"broken");
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 102\n" + pasted("x\\r\\ny"));
  window(103, u"what");
  EXPECT_EQ(s.run("click cmd(0)\nlog\n"), "foreground 103\n" + pasted("x\\r\\ny"));
  // The program never writes the section, and a save keeps it as the user wrote it.
  s.run("close\n");
  const std::string saved = readFile(s.settingsFile());
  EXPECT_NE(saved.find("[PasteKeys]\r\nurxvt=Shift+Insert\r\nMyTerm = ctrl+shift+v\r\nbroken=Ctrl+Ctrl+V\r\nwhat=Hyper+V\r\n"),
            std::string::npos) << saved;
}

TEST(PasteKeys, ModifiersThenOneKey) {
  using app::parsePasteKeys;
  using ports::Key;
  using Keys = std::vector<Key>;
  EXPECT_EQ(parsePasteKeys("Ctrl+V"), Keys({Key::Control, Key::V}));
  EXPECT_EQ(parsePasteKeys(" control + SHIFT + v "), Keys({Key::Control, Key::Shift, Key::V}));
  EXPECT_EQ(parsePasteKeys("Shift+Insert"), Keys({Key::Shift, Key::Insert}));
  EXPECT_EQ(parsePasteKeys("Alt+ins"), Keys({Key::Alt, Key::Insert}));
  EXPECT_EQ(parsePasteKeys("Ctrl+7"), Keys({Key::Control, *ports::keyOfCharacter('7')}));
  EXPECT_EQ(parsePasteKeys("Insert"), Keys({Key::Insert}));
  for (const char* bad : {"", "+", "Ctrl+", "Ctrl", "V+Ctrl", "Ctrl+Ctrl+V", "Ctrl+VV", "Super+V", "Ctrl++V", "Ctrl+ä"}) {
    EXPECT_EQ(parsePasteKeys(bad), std::nullopt) << bad;
  }
}

// The popup as a view would build it: one line per item, submenus indented, checks marked.
std::string popupText(app::FrmMain& program, const app::Control& menu, const std::string& indent = "") {
  std::string out;
  for (app::Control* item : program.popupItems(menu)) {
    out += indent + text::toUtf8(item->caption()) + (item->checked() ? " *" : "");
    const std::string sub = popupText(program, *item, indent + "  ");
    out += sub.empty() ? "\n" : "\n" + sub;
  }
  return out;
}

TEST(PopupMenu, ShowsThePageThePhrasesAndTheOptionsAndTypesFromTheEditors) {
  Session s;
  startWith(s, phraseLines(3, 0, u"三", u"san") + phraseLines(3, 1, u"", u"hidden title") +
                   phraseLines(7, 14, u"七", u"nana"),
            "Page=3\r\nMouse=3\r\nAdd_Key=0\r\nWin_Key=1\r\n");
  app::FrmMain& program = *s.script.program();
  std::string expected = "ﾍﾟｰｼﾞ選択\n";
  for (int k = 1; k <= 14; ++k) expected += "  " + std::to_string(k) + (k == 3 ? " *" : "") + "\n";
  expected += "-\n三\n";
  for (int i = 1; i < 15; ++i) expected += "---\n";
  expected += "-\n追加ｷｰ\n  無し *\n  Tabｷｰ\n  Enterｷｰ\nﾏｳｽﾒﾆｭｰ\n  無効\n  中ｸﾘｯｸ\n  Ctrl+中ｸﾘｯｸ\n  右ｸﾘｯｸ *\n"
              "  Ctrl+右ｸﾘｯｸ\nWindowsｷｰ\n  通常\n  ﾒﾆｭｰ表示 *\n  一括入力\n-\n入力を元に戻す\n終了\n";
  EXPECT_EQ(popupText(program, program.mnu0), expected);

  // A row without a title still types its content.
  EXPECT_EQ(s.run("menu mnu0_btn(1)\nlog\n"), "foreground 100\n" + pasted("hidden title"));
  // With the settings panel open the bar's buttons are off, but the popup types the edited text.
  s.run("click chkSET\ntext txtCNT(0) \"edited\"\n");
  EXPECT_EQ(s.error("click cmd(0)\n"), "formix-tool: line 1: cannot click cmd(0): it is disabled\n");
  EXPECT_EQ(s.run("log\nmenu mnu0_btn(0)\nlog\n"), "hook M_Mode0\nforeground 100\n" + pasted("edited"));
  s.run("menu mnu0_page(6)\n");
  const std::string page7 = popupText(program, program.mnu0);
  EXPECT_NE(page7.find("  3\n"), std::string::npos);
  EXPECT_NE(page7.find("  7 *\n"), std::string::npos);
  EXPECT_NE(page7.find("---\n七\n-\n"), std::string::npos) << page7;
  EXPECT_EQ(program.sCNT[30], u"edited");
}

}  // namespace
}  // namespace formix::testing
