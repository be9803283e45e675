// The text layer: comparison, search, numbers of the settings file and code page 932.
#include <gtest/gtest.h>

#include <cmath>

#include "text/compare.h"
#include "text/cp932.h"
#include "text/number.h"
#include "text/utf.h"

namespace formix::text {
namespace {

TEST(TextComparison, IgnoresCaseWidthAndKanaType) {
  EXPECT_TRUE(equals(u"Mail", u"MAIL", Compare::Text));
  EXPECT_TRUE(equals(u"ｍａｉｌ", u"mail", Compare::Text));        // full-width letters
  EXPECT_TRUE(equals(u"ＭＡＩＬ１２", u"mail12", Compare::Text));
  EXPECT_TRUE(equals(u"ふりがな", u"フリガナ", Compare::Text));    // hiragana and katakana
  EXPECT_TRUE(equals(u"ﾌﾘｶﾅ", u"ふりかな", Compare::Text));        // half-width katakana
  EXPECT_TRUE(equals(u"　", u" ", Compare::Text));                 // ideographic space
  EXPECT_TRUE(equals(u"ー", u"ｰ", Compare::Text));
  EXPECT_FALSE(equals(u"Mail", u"MAIL", Compare::Binary));
  EXPECT_FALSE(equals(u"姓", u"名", Compare::Text));
  EXPECT_FALSE(equals(u"mail", u"mails", Compare::Text));
}

TEST(TextComparison, FoldsUnitForUnitSoPositionsCarryOver) {
  const std::u16string page = u"<TD>ｾｲ（ﾌﾘｶﾞﾅ）</TD><INPUT NAME=Ｍａｉｌ>";
  const std::u16string folded = foldText(page);
  ASSERT_EQ(folded.size(), page.size());
  const size_t at = FoldedText(page).find(u"mail");
  ASSERT_NE(at, npos);
  EXPECT_EQ(page.substr(at, 4), u"Ｍａｉｌ");
  // A voiced half-width kana is two units and folds to two units; it does not match the one-unit form.
  EXPECT_EQ(FoldedText(page).find(u"フリガナ"), npos);
  EXPECT_NE(FoldedText(page).find(u"フリカ゛ナ"), npos);
}

TEST(InStr, SearchesFromAStartPosition) {
  const std::u16string s = u"abcABCabc";
  EXPECT_EQ(inStr(s, u"abc"), 0u);
  EXPECT_EQ(inStr(s, u"abc", 1), 6u);
  EXPECT_EQ(inStr(s, u"abc", 1, Compare::Text), 3u);
  EXPECT_EQ(inStr(s, u"abc", 7), npos);
  EXPECT_EQ(inStr(s, u"x"), npos);
  EXPECT_EQ(inStr(s, u"", 4), 4u);   // an empty needle is found where the search starts
  EXPECT_EQ(inStr(s, u"", 9), 9u);
  EXPECT_EQ(inStr(s, u"", 10), npos);
  EXPECT_EQ(inStr(u"", u"a"), npos);
}

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfOddTexts) {
  EXPECT_EQ(leadingNumber(u"1234"), 1234);
  EXPECT_EQ(leadingNumber(u"  \t-15.5abc"), -15.5);
  EXPECT_EQ(leadingNumber(u"+7"), 7);
  EXPECT_EQ(leadingNumber(u"1.5E3x"), 1500);
  EXPECT_EQ(leadingNumber(u"2D2"), 200);        // D is an exponent letter too
  EXPECT_EQ(leadingNumber(u"12E"), 12);         // an exponent without digits ends the number
  EXPECT_EQ(leadingNumber(u"12e+"), 12);
  EXPECT_EQ(leadingNumber(u".5"), 0.5);
  EXPECT_EQ(leadingNumber(u"5."), 5);
  EXPECT_EQ(leadingNumber(u"1.2.3"), 1.2);
  EXPECT_EQ(leadingNumber(u"abc"), 0);
  EXPECT_EQ(leadingNumber(u""), 0);
  EXPECT_EQ(leadingNumber(u"-"), 0);
  EXPECT_EQ(leadingNumber(u"- 5"), 0);
  EXPECT_EQ(leadingNumber(u"１２"), 0);         // full-width digits are no number
  EXPECT_EQ(leadingNumber(u"1e-400"), 0);
  EXPECT_TRUE(std::isinf(leadingNumber(u"1e400")));
}

TEST(LeadingNumber, ReadsHexadecimalWithTheWidthOfItsDigits) {
  EXPECT_EQ(leadingNumber(u"&H1F"), 31);
  EXPECT_EQ(leadingNumber(u"&hff"), 255);
  EXPECT_EQ(leadingNumber(u"&HFFFF"), -1);          // four digits: 16-bit
  EXPECT_EQ(leadingNumber(u"&H0FFFF"), 65535);      // five digits: 32-bit
  EXPECT_EQ(leadingNumber(u"&HFFFFFFFF"), -1);
  EXPECT_EQ(leadingNumber(u"&H"), 0);
  EXPECT_EQ(leadingNumber(u"&HG"), 0);
  EXPECT_EQ(leadingNumber(u" &H10 "), 16);
  EXPECT_TRUE(std::isinf(leadingNumber(u"&H123456789")));
  EXPECT_EQ(leadingNumber(u"&H000000001"), 1);      // leading zeros are not significant
}

TEST(WholeNumber, AcceptsOnlyANumberWithBlanksAround) {
  EXPECT_EQ(wholeNumber(u" 14 "), 14);
  EXPECT_EQ(wholeNumber(u"2.5"), 2.5);
  EXPECT_EQ(wholeNumber(u"&H0E"), 14);
  EXPECT_EQ(wholeNumber(u"14a"), std::nullopt);
  EXPECT_EQ(wholeNumber(u""), std::nullopt);
  EXPECT_EQ(wholeNumber(u"abc"), std::nullopt);
  EXPECT_EQ(wholeNumber(u"&H"), std::nullopt);
}

TEST(Rounding, HalvesGoToEvenAndRangesAreChecked) {
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(-0.5), 0);
  EXPECT_EQ(roundHalfEven(-1.5), -2);
  EXPECT_EQ(roundHalfEven(62.5), 62);
  EXPECT_EQ(roundHalfEven(2.4999), 2);
  EXPECT_EQ(toInt16(32767.4), 32767);
  EXPECT_EQ(toInt16(32767.5), std::nullopt);
  EXPECT_EQ(toInt16(-32768.5), -32768);
  EXPECT_EQ(toInt32(INFINITY), std::nullopt);
  EXPECT_EQ(toInt32(NAN), std::nullopt);
}

TEST(FormatSingle, PrintsLikeTheGeneralNumberFormat) {
  EXPECT_EQ(formatSingle(0), "0");
  EXPECT_EQ(formatSingle(1234), "1234");
  EXPECT_EQ(formatSingle(-1500), "-1500");
  EXPECT_EQ(formatSingle(1234.5f), "1234.5");
  EXPECT_EQ(formatSingle(0.25f), "0.25");
  EXPECT_EQ(formatSingle(1234567), "1234567");
  EXPECT_EQ(formatSingle(12345678), "1.234568E+07");
  EXPECT_EQ(formatSingle(0.1f), "0.1");
}

TEST(Cp932, ConvertsSingleAndDoubleByteCharacters) {
  EXPECT_EQ(cp932Code(u'A'), 0x41);
  EXPECT_EQ(cp932Code(u'\\'), 0x5C);
  EXPECT_EQ(cp932Code(u'ｱ'), 0xB1);     // half-width katakana is one byte
  EXPECT_EQ(cp932Code(u'あ'), 0x82A0);
  EXPECT_EQ(cp932Code(u'山'), 0x8E52);
  EXPECT_EQ(cp932Code(u'～'), 0x8160);  // the Windows mapping of the wave dash
  EXPECT_EQ(cp932Code(u'①'), 0x8740);   // NEC special characters
  EXPECT_EQ(cp932Char(0x82A0), u'あ');
  EXPECT_EQ(cp932Char(0x82), std::nullopt);  // a lead byte alone
  EXPECT_EQ(cp932Char(0x8200), std::nullopt);
  EXPECT_EQ(cp932Code(0xD83D), std::nullopt);  // a surrogate has no form
  EXPECT_EQ(cp932Code(u'\u00A9'), std::nullopt);  // the copyright sign is not in the code page
}

TEST(Cp932, RoundTripsTextAndReplacesBrokenBytes) {
  const std::u16string text = u"住所:東京都千代田区1-2-3 ﾋﾞﾙ";
  const auto bytes = toCp932(text);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(fromCp932(*bytes), text);
  EXPECT_EQ(toCp932(u"a😀"), std::nullopt);
  EXPECT_EQ(fromCp932("a\x82"), u"a\uFFFD");             // truncated double-byte character
  EXPECT_EQ(fromCp932("\x82" "A"), u"\uFFFD" "A");       // invalid trail byte: the next byte stands alone
}

TEST(Utf8, DecodesStrictlyOrWithReplacement) {
  EXPECT_EQ(fromUtf8("山田😀"), u"山田😀");
  EXPECT_EQ(fromUtf8("\xC0\xAF"), std::nullopt);        // overlong
  EXPECT_EQ(fromUtf8("\xED\xA0\x80"), std::nullopt);    // encoded surrogate
  EXPECT_EQ(fromUtf8("\xE5\xB1"), std::nullopt);        // truncated
  EXPECT_EQ(fromUtf8Lossy("a\xFF" "b"), u"a\uFFFD" "b");
  EXPECT_EQ(toUtf8(u"山田😀"), "山田😀");
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace formix::text
