// The triggers bound to a desktop's keys (`formix --trigger NAME`): reading their names, and what
// the main window does with each.
#include <gtest/gtest.h>

#include "tests/phrase_test_support.h"
#include "triggers/named_trigger.h"

namespace formix::testing {
namespace {

using triggers::NamedTrigger;
using triggers::parseNamedTrigger;

TEST(NamedTrigger, ReadsMenuFillAndPhrasesAtTheEdgesOfTheirRanges) {
  EXPECT_EQ(parseNamedTrigger("menu"), NamedTrigger{NamedTrigger::Kind::Menu});
  EXPECT_EQ(parseNamedTrigger("fill"), NamedTrigger{NamedTrigger::Kind::Fill});
  EXPECT_EQ(parseNamedTrigger("phrase:1:1"), (NamedTrigger{NamedTrigger::Kind::Phrase, 0, 0}));
  EXPECT_EQ(parseNamedTrigger("phrase:14:15"), (NamedTrigger{NamedTrigger::Kind::Phrase, 13, 14}));
  EXPECT_EQ(parseNamedTrigger("phrase:03:09"), (NamedTrigger{NamedTrigger::Kind::Phrase, 2, 8}));
}

TEST(NamedTrigger, RefusesEverythingElse) {
  for (const char* bad : {"", "Menu", "FILL", " menu", "menu ", "phrase", "phrase:", "phrase:1", "phrase:1:",
                          "phrase::1", "phrase:0:1", "phrase:15:1", "phrase:1:0", "phrase:1:16", "phrase:+1:1",
                          "phrase:-1:1", "phrase:1:1:1", "phrase:001:1", "phrase:1: 1", "phrase:a:1", "phrase:1:1\n"}) {
    EXPECT_FALSE(parseNamedTrigger(bad)) << '"' << bad << '"';
  }
  EXPECT_FALSE(parseNamedTrigger(std::string_view("menu\0x", 6)));
}

// A session with a notepad window under the bar and phrases on pages 1 and 3.
std::string startWith(Session& s) {
  writeFile(s.settingsFile(), "[Settings]\r\n[Strings]\r\n" + phraseLines(1, 0, u"一", u"one") +
                                  phraseLines(3, 4, u"五", u"five"));
  return s.run("desktop window 100 \"メモ - メモ帳\"\nstart\nlog\n");
}

TEST(NamedTrigger, APhraseOfAnotherPageMakesThatPageCurrentThenTypesIt) {
  Session s;
  startWith(s);
  s.script.program()->runNamedTrigger({NamedTrigger::Kind::Phrase, 0, 0});
  EXPECT_EQ(s.run("log\n"), "foreground 100\nclipboard clear\nclipboard \"one\"\nkey Ctrl down\nkey V down\nkey V up\nkey Ctrl up\n");
  EXPECT_EQ(s.script.program()->iPage, 0);
  s.script.program()->runNamedTrigger({NamedTrigger::Kind::Phrase, 2, 4});
  EXPECT_EQ(s.run("log\n"), "foreground 100\nclipboard clear\nclipboard \"five\"\nkey Ctrl down\nkey V down\nkey V up\nkey Ctrl up\n");
  EXPECT_EQ(s.script.program()->iPage, 2);
  EXPECT_EQ(s.run("get mnu0_page(2).Checked\nget cmd(4).Caption\n"), "mnu0_page(2).Checked=true\ncmd(4).Caption=五\n");
  // An empty phrase types nothing, and the page still changes.
  s.script.program()->runNamedTrigger({NamedTrigger::Kind::Phrase, 0, 9});
  EXPECT_EQ(s.run("log\n"), "");
  EXPECT_EQ(s.script.program()->iPage, 0);
}

TEST(NamedTrigger, MenuAndFillDoWhatTheGesturesDo) {
  Session s;
  startWith(s);
  s.script.program()->runNamedTrigger({NamedTrigger::Kind::Menu});
  const std::string menu = s.run("log\n");
  EXPECT_NE(menu.find("popup mnu0"), std::string::npos) << menu;
  // No browser in front: the fill finds nothing to fill and types nothing.
  s.script.program()->runNamedTrigger({NamedTrigger::Kind::Fill});
  const std::string fill = s.run("log\n");
  EXPECT_EQ(fill.find("clipboard"), std::string::npos) << fill;
  // A disabled window takes no trigger, as it takes no click.
  s.script.program()->frmMain.setEnabled(false);
  for (const auto kind : {NamedTrigger::Kind::Menu, NamedTrigger::Kind::Fill, NamedTrigger::Kind::Phrase}) {
    s.script.program()->runNamedTrigger({kind, 0, 0});
  }
  EXPECT_EQ(s.run("log\n"), "");
}

}  // namespace
}  // namespace formix::testing
