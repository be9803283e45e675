// Undoing the last whole-form fill from the popup menu: the browser below the bar puts back what
// the fill changed, except what the person edited since; a second undo, or one after the page
// changed, does nothing.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

// A registration page as the extension reads it: the name and mail boxes, a radio group with a
// choice made and a prefecture list.
constexpr const char* kPage = R"({"origin":"https://shop.example","frames":[{"frame":0,"origin":"https://shop.example",
 "visible":true,"controls":[
 {"control":0,"tag":"input","type":"text","name":"sei","label":"姓","rowHeader":"お名前","visible":true,"enabled":true,"editable":true},
 {"control":1,"tag":"input","type":"text","name":"mei","label":"名","rowHeader":"お名前","visible":true,"enabled":true,"editable":true},
 {"control":2,"tag":"input","type":"email","name":"email","rowHeader":"メールアドレス","visible":true,"enabled":true,"editable":true},
 {"control":3,"tag":"input","type":"radio","name":"sex","value":"1","beside":"男性","rowHeader":"性別","checked":true,"visible":true,"enabled":true,"editable":true},
 {"control":4,"tag":"input","type":"radio","name":"sex","value":"2","beside":"女性","rowHeader":"性別","visible":true,"enabled":true,"editable":true},
 {"control":5,"tag":"select","type":"select-one","name":"pref","rowHeader":"都道府県","visible":true,"enabled":true,"editable":true,
  "options":[{"text":"選択してください","value":"","selected":true},{"text":"東京都","value":"13"},{"text":"大阪府","value":"27"}]}]}]})";

constexpr const char* kUntouched =
    "0/0 sei=\"\"\n0/1 mei=\"\"\n0/2 email=\"\"\n0/3 sex=\"1\" checked\n0/4 sex=\"2\"\n0/5 pref=\"\" option 0\n";

// A session with a profile typed into the panel and the page in a browser of today (500) below
// the bar, filled once.
std::unique_ptr<Session> filledSession() {
  auto s = std::make_unique<Session>();
  writeFile(s->folder / "page.json", kPage);
  s->run("desktop fact-browser 500 \"会員登録 - Chromium\" " + (s->folder / "page.json").string() +
         "\nstart\nclick chkPOST\ntext txtAUTO(0) \"山田\"\ntext txtAUTO(1) \"花子\"\ntext txtAUTO(4) \"hanako\"\n"
         "text txtAUTO(5) \"example.jp\"\ntext cboAUTO(0) \"大阪府\"\nclick optAUTO(1)\nclick chkPOST\nclick cmdPOST\nlog\n");
  return s;
}

TEST(UndoLastFill, TheMenuItemPutsBackEveryBoxButTheOneEditedSince) {
  auto s = filledSession();
  EXPECT_EQ(s->run("get-facts 500\n"), "0/0 sei=\"山田\"\n0/1 mei=\"花子\"\n0/2 email=\"hanako@example.jp\"\n0/3 sex=\"1\"\n"
                                       "0/4 sex=\"2\" checked\n0/5 pref=\"\" option 2\n");
  s->run("desktop edit 500 0 1 \"花\"\n");
  EXPECT_EQ(s->run("menu mnu0_undo\nlog\nget-facts 500\n"),
            "foreground frmMain\nbrowser 500 undo 5 skipped 1\nforeground 500\n"
            "0/0 sei=\"\"\n0/1 mei=\"花\"\n0/2 email=\"\"\n0/3 sex=\"1\" checked\n0/4 sex=\"2\"\n"
            "0/5 pref=\"\" option 0\n");
  // The memory went with the undo.
  EXPECT_EQ(s->run("menu mnu0_undo\nlog\n"), "foreground frmMain\nbrowser 500 undo 0 skipped 0\nforeground 500\n");
}

TEST(UndoLastFill, ANewPageForgetsTheFill) {
  auto s = filledSession();
  s->run("desktop fact-browser 500 \"会員登録 - Chromium\" " + (s->folder / "page.json").string() + "\n");
  EXPECT_EQ(s->run("menu mnu0_undo\nlog\nget-facts 500\n"),
            "foreground frmMain\nbrowser 500 undo 0 skipped 0\nforeground 500\n" + std::string(kUntouched));
}

TEST(UndoLastFill, OnlyTheBrowserWindowBelowTheBarIsAsked) {
  auto s = filledSession();
  // Another program's window in front: nothing is undone, in no browser.
  EXPECT_EQ(s->run("desktop window 600 \"メモ帳\"\nmenu mnu0_undo\nlog\n"), "foreground frmMain\nforeground 600\n");
  // Nor in an Internet Explorer page, which was written as a whole.
  writeFile(s->folder / "ie.html", "<FORM>氏名 <INPUT name=n></FORM>");
  EXPECT_EQ(s->run("desktop browser 700 \"会員登録\" " + (s->folder / "ie.html").string() + "\nmenu mnu0_undo\nlog\n"),
            "foreground frmMain\nforeground 700\n");
  EXPECT_NE(s->run("get-facts 500\n"), kUntouched);
}

TEST(UndoLastFill, TheItemSitsAboveTheExitInThePopup) {
  Session s;
  s.run("start\n");
  app::FrmMain& program = *s.script.program();
  const auto items = program.popupItems(program.mnu0);
  ASSERT_GE(items.size(), 3u);
  EXPECT_EQ(items[items.size() - 2], &program.mnu0_undo);
  EXPECT_EQ(items[items.size() - 3], &program.mnu0_nop4);
  EXPECT_EQ(s.run("get mnu0_undo.Caption\n"), "mnu0_undo.Caption=入力を元に戻す\n");
}

}  // namespace
}  // namespace formix::testing
