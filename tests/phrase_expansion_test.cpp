// The %-codes of a phrase, the date and time patterns, and formix-tool expand.
#include <gtest/gtest.h>

#include "phrases/phrase_pages.h"
#include "tests/test_support.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

using phrases::DateTime;
using phrases::ExpandPhrase;
using phrases::FormatDateTime;

constexpr DateTime kJuly9th{2004, 7, 9, 9, 5, 7};

TEST(ExpandPhrase, EachCodeOfTheTable) {
  const struct {
    std::u16string_view content, typed;
  } rows[] = {
      {u"Dear%R%BSir", u"Dear\r\n\tSir"},
      {u"Dear%r%bSir", u"Dear\r\n\tSir"},
      {u"100%%", u"100%"},
      {u"100%", u"100"},           // a lone "%" at the end goes
      {u"%xyz", u"xyz"},           // no code: the "%" goes, the letter stays
      {u"%%%", u"%"},
      {u"%%%R", u"%\r\n"},
      {u"%d", u"2004/07/09"},
      {u"%D", u"2004/07/09"},
      {u"%t", u"9:05:07"},
      {u"%D[YY-MM-DD]x", u"04-07-09x"},
      {u"%T[HH:NN]", u"09:05"},
      {u"%D[]%T[]", u""},
      {u"%D[YYYY-MM", u"D[YYYY-MM"},  // no "]": only the "%" goes
      {u"%D[a]b]", u"ab]"},           // the first "]" closes
      {u"%D [YY]", u"2004/07/09 [YY]"},
      {u"%T[YYYY/MM/DD]", u"1899/12/30"},  // the time alone: date tokens give the zero date
      {u"%D[H:NN:SS]", u"0:00:00"},        // the date alone: midnight
      {u"日付%D[YYYY年M月D日]です", u"日付2004年7月9日です"},
      {u"", u""},
  };
  for (const auto& row : rows) {
    const auto expansion = ExpandPhrase(row.content, kJuly9th);
    EXPECT_EQ(text::toUtf8(expansion.text), text::toUtf8(row.typed)) << text::toUtf8(row.content);
    EXPECT_FALSE(expansion.openTarget) << text::toUtf8(row.content);
  }
}

TEST(ExpandPhrase, OpenCodeTypesNothingAndHandsOverTheRest) {
  auto expansion = ExpandPhrase(u"memo %O  C:\\メモ.txt %R ", kJuly9th);
  EXPECT_EQ(expansion.text, u"");
  EXPECT_EQ(expansion.openTarget, u"  C:\\メモ.txt %R ");  // untrimmed, codes left as they are
  EXPECT_EQ(phrases::TrimBlanks(*expansion.openTarget), u"C:\\メモ.txt %R");
  expansion = ExpandPhrase(u"%o", kJuly9th);
  EXPECT_EQ(expansion.text, u"");
  EXPECT_EQ(expansion.openTarget, u"");
  EXPECT_EQ(ExpandPhrase(u"%%O", kJuly9th).text, u"%O");  // an escaped "%" is no code
}

TEST(FormatDateTime, TokensInEitherCaseAndEverythingElseCopied) {
  const DateTime afternoon{2004, 7, 9, 14, 30, 0};
  const struct {
    std::u16string_view pattern, shown;
  } rows[] = {
      {u"YYYY/MM/DD", u"2004/07/09"},
      {u"yyyy年m月d日", u"2004年7月9日"},
      {u"H:MM:SS", u"14:30:00"},
      {u"h時m分s秒", u"14時30分0秒"},  // m after h is the minute
      {u"MM hh mm MM", u"07 14 30 07"},  // only the token right after h or hh
      {u"n:nn Yy", u"30:30 04"},
      {u"yyy", u"04y"},  // a lone y is no token
      {u"ddd", u"099"},  // the longest tokens from the left
      {u"abc:%[]ｙ", u"abc:%[]ｙ"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(text::toUtf8(FormatDateTime(row.pattern, afternoon)), text::toUtf8(row.shown)) << text::toUtf8(row.pattern);
  }
  EXPECT_EQ(FormatDateTime(u"yyyy/yy", {5, 1, 1, 0, 0, 0}), u"0005/05");
}

TEST(ExpandCommand, PrintsTheTextOrWhatItWouldOpen) {
  ToolRun run = runTool("expand --now 2004-07-09T09:05:07 'a%Rb%B%D[YY.M.D] %t'");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "a\r\nb\t04.7.9 9:05:07\n");
  EXPECT_EQ(run.err, "");
  run = runTool("expand 'memo %O  C:\\メモ.txt '");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "open: C:\\メモ.txt\n");
  run = runTool("expand '%O  '");
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(runTool("expand ''").out, "\n");
}

TEST(ExpandCommand, RefusesABadDateOrUsage) {
  for (const char* now : {"2004-02-30T00:00:00", "2004-07-09 09:05:07", "2004-07-09T24:00:00", "yesterday"}) {
    const ToolRun run = runTool(std::string("expand --now '") + now + "' x");
    EXPECT_EQ(run.status, 2) << now;
    EXPECT_EQ(run.err, std::string("formix-tool: --now must be a date and time as YYYY-MM-DDTHH:MM:SS, not '") + now +
                           "'\n");
    EXPECT_EQ(run.out, "");
  }
  for (const char* args : {"expand", "expand --now 2004-07-09T09:05:07", "expand a b"}) {
    const ToolRun run = runTool(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.err, "formix-tool: usage: formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT\n") << args;
  }
}

}  // namespace
}  // namespace formix::testing
