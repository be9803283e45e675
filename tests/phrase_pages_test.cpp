// Page switching, the title and content editors, dropped files and long phrases.
#include <gtest/gtest.h>

#include "tests/phrase_test_support.h"

namespace formix::testing {
namespace {

TEST(PageSwitch, WithTheSettingsPanelOpenEditsAreStoredBeforeTheNewPageShows) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nPage=2\r\n[Strings]\r\n" + phraseLines(5, 0, u"五", u"go"));
  s.run("start\nclick chkSET\ntext txtTT(0) \"挨拶\"\ntext txtCNT(0) \"こんにちは\"\n");
  EXPECT_EQ(s.run("click optPAGE(4)\nget txtTT(0).Text\nget txtCNT(0).Text\nget mnu0_btn(0).Caption\n"
                  "get mnu0_page(4).Checked\nget mnu0_page(1).Checked\n"),
            "txtTT(0).Text=五\ntxtCNT(0).Text=go\nmnu0_btn(0).Caption=五\nmnu0_page(4).Checked=true\n"
            "mnu0_page(1).Checked=false\n");
  app::FrmMain& program = *s.script.program();
  EXPECT_EQ(program.sTT[15], u"挨拶");
  EXPECT_EQ(program.sCNT[15], u"こんにちは");
  EXPECT_EQ(program.focused(), &program.txtTT(0));
  // Choosing the current page again stores its edits first and shows it again.
  s.run("text txtTT(1) \"追加\"\nmenu mnu0_page(4)\n");
  EXPECT_EQ(program.sTT[61], u"追加");
  EXPECT_EQ(s.run("click optPAGE(1)\nget txtTT(0).Text\nget optPAGE(1).Value\n"),
            "txtTT(0).Text=挨拶\noptPAGE(1).Value=true\n");
}

TEST(PageSwitch, FromThePopupWithThePanelClosedStoresNothingAndLeavesTheFocusOnTheBar) {
  Session s;
  writeFile(s.settingsFile(), "[Settings]\r\nPage=3\r\n[Strings]\r\n" + phraseLines(7, 2, u"七", u"nana"));
  s.run("start\n");
  app::FrmMain& program = *s.script.program();
  program.txtTT(0).setText(u"not stored");  // an editor the user cannot see
  EXPECT_EQ(s.run("menu mnu0_page(6)\nget optPAGE(6).Value\nget optPAGE(2).Value\nget mnu0_page(6).Checked\n"
                  "get mnu0_page(2).Checked\nget cmd(2).Caption\nget cmd(2).ToolTipText\nget mnu0_btn(2).Caption\n"
                  "get mnu0_btn(0).Caption\n"),
            "optPAGE(6).Value=true\noptPAGE(2).Value=false\nmnu0_page(6).Checked=true\nmnu0_page(2).Checked=false\n"
            "cmd(2).Caption=七\ncmd(2).ToolTipText=nana\nmnu0_btn(2).Caption=七\nmnu0_btn(0).Caption=---\n");
  EXPECT_EQ(program.iPage, 6);
  EXPECT_EQ(program.sTT[30], u"");
  EXPECT_EQ(program.focused(), &program.picBTN);
}

TEST(Editors, ArrowKeysMoveInTheGridAndStopAtItsEdges) {
  Session s;
  writeFile(s.settingsFile(), "[Strings]\r\n" + phraseLines(1, 0, u"abc", u"xyz") + phraseLines(1, 14, u"end", u""));
  s.run("start\nclick chkSET\n");
  app::FrmMain& program = *s.script.program();
  // Each step's keys, then the editor with the focus, its caret and selection length.
  const struct {
    const char* keys;
    const char* at;
  } steps[] = {
      {"focus txtTT(0)\nkey txtTT(0) 38\n", "txtTT(0) 0+3"},  // Up in the first row: discarded
      {"focus txtCNT(0)\nkey txtCNT(0) 38\n", "txtCNT(0) 0+3"},
      {"focus txtTT(14)\nkey txtTT(14) 40\n", "txtTT(14) 0+3"},  // Down in the last row: discarded
      {"focus txtCNT(14)\nkey txtCNT(14) 40\n", "txtCNT(14) 0+0"},
      {"key txtCNT(14) 38\n", "txtCNT(13) 0+0"},
      {"focus txtTT(0)\nkey txtTT(0) 40\n", "txtTT(1) 0+0"},
      {"focus txtTT(0)\nkey txtTT(0) 37\nkey txtTT(0) 39\n", "txtTT(0) 1+0"},  // Right inside: the caret moves
      {"key txtTT(0) 39\nkey txtTT(0) 39\n", "txtTT(0) 3+0"},
      {"key txtTT(0) 39\n", "txtCNT(0) 0+0"},  // Right at the end: to the content
      {"key txtCNT(0) 39\nkey txtCNT(0) 37\n", "txtCNT(0) 0+0"},
      {"key txtCNT(0) 37\n", "txtTT(0) 3+0"},  // Left at the start: to the end of the title
  };
  for (const auto& step : steps) {
    s.run(step.keys);
    const app::Control& f = *program.focused();
    EXPECT_EQ(f.displayName() + " " + std::to_string(f.selStart()) + "+" + std::to_string(f.selLength()), step.at)
        << step.keys;
  }
}

TEST(Editors, LeavingAnEditorDropsLineBreaksAndTabs) {
  Session s;
  s.run("start\nclick chkSET\n");
  EXPECT_EQ(s.run("text txtCNT(3) \"a\\r\\nb\\tc\"\nfocus txtCNT(4)\nget txtCNT(3).Text\nget txtCNT(3).SelStart\n"),
            "txtCNT(3).Text=abc\ntxtCNT(3).SelStart=0\n");
}

TEST(Editors, DroppedFilesReplaceTheContentWithAnOpenCode) {
  Session s;
  writeFile(s.settingsFile(), "[Strings]\r\n" + phraseLines(1, 4, u"t", u"old"));
  EXPECT_EQ(s.error("start\ndrop txtCNT(4) \"/home/taro/a.txt\"\n"),
            "formix-tool: line 2: cannot drop txtCNT(4): frSET is hidden\n");
  EXPECT_EQ(s.run("get txtCNT(4).Text\n"), "txtCNT(4).Text=old\n");  // the panel is closed
  s.run("click chkSET\n");
  app::FrmMain& program = *s.script.program();
  EXPECT_EQ(program.dragOver(program.txtCNT(4), 7), 1);  // copy only
  EXPECT_EQ(program.dragOver(program.txtCNT(4), 2), 0);
  EXPECT_EQ(program.dragOver(program.txtTT(4), 7), 0);
  EXPECT_EQ(s.run("drop txtCNT(4)\nget txtCNT(4).Text\n"), "txtCNT(4).Text=old\n");  // no file in the data
  EXPECT_EQ(s.run("drop txtCNT(4) \"C:\\\\My Documents\\\\見積.xls\" \"C:\\\\b.txt\"\nget txtCNT(4).Text\n"),
            "txtCNT(4).Text=%O\"C:\\\\My Documents\\\\見積.xls\"\n");
  s.run("drop txtTT(4) \"C:\\\\b.txt\"\nclick chkSET\n");
  EXPECT_EQ(program.sCNT[4], u"%O\"C:\\My Documents\\見積.xls\"");  // quoted: one target, blank and all
  EXPECT_EQ(program.sTT[4], u"t");
}

TEST(Editors, PhrasesLongerThanTheEditorLimitAreNeverCut) {
  Session s;
  const std::u16string title(300, u'題'), content(300, u'文');
  writeFile(s.settingsFile(), "[Strings]\r\n" + phraseLines(1, 0, title, u"") + phraseLines(1, 14, u"", content));
  s.run("start\nclick chkSET\nfocus txtTT(0)\n");
  app::FrmMain& program = *s.script.program();
  EXPECT_EQ(program.txtTT(0).text(), title);
  EXPECT_EQ(program.txtTT(0).selLength(), 300);  // selected whole
  EXPECT_EQ(program.txtCNT(14).text(), content);
  s.run("focus txtCNT(14)\nkey txtCNT(14) 39\nkeypress txtCNT(14) 65\n");  // the limit refuses more typing
  EXPECT_EQ(program.txtCNT(14).text(), content);
  s.run("click optPAGE(1)\nclick optPAGE(0)\nclick chkSET\nclose\nstart\n");
  EXPECT_EQ(s.script.program()->sTT[0], title);
  EXPECT_EQ(s.script.program()->sCNT[14], content);
}

}  // namespace
}  // namespace formix::testing
