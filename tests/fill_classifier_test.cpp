// The keyword classifier: which label word before a field decides its kind.
#include <gtest/gtest.h>

#include "fill/html/field_classifier.h"
#include "text/utf.h"

namespace formix::fill {
namespace {

// The kind of a field that follows `label` directly.
int kindAfter(std::u16string_view label) { return standardKeywords().iGetFieldKind(sReverseText(label)); }

TEST(ReverseText, ReversesAndDropsBlanks) {
  EXPECT_EQ(sReverseText(u"氏 名"), u"名氏");
  EXPECT_EQ(sReverseText(u"氏　名\t"), u"\t名氏");  // the ideographic space is a blank, a tab is not
  EXPECT_EQ(sReverseText(u""), u"");
}

TEST(FieldClassifier, TheNearestKeywordDecides) {
  EXPECT_EQ(kindAfter(u""), kind::None);
  EXPECT_EQ(kindAfter(u"ご意見"), kind::None);
  EXPECT_EQ(kindAfter(u"メールアドレス"), kind::Mail);  // found at position 5, no nearer keyword
  EXPECT_EQ(kindAfter(u"お名前（フリガナ）"), kind::KatakanaReading);
  EXPECT_EQ(kindAfter(u"メールアドレス</TD><TD>パスワード"), kind::Password);
  EXPECT_EQ(kindAfter(u"<TD>秘密の質問の答え</TD><TD>"), kind::Password);
  EXPECT_EQ(kindAfter(u"<INPUT name=mail_user> ＠ "), kind::AtSign);
  // Markup counts as text: a name attribute holding "mail" classifies the next field too.
  EXPECT_EQ(kindAfter(u"<INPUT name=mail_user><BR>"), kind::Mail);
}

TEST(FieldClassifier, KanaWordsCompareExactlyTheRestIgnoreCaseWidthAndKana) {
  EXPECT_EQ(kindAfter(u"ふりがな"), kind::HiraganaReading);
  EXPECT_EQ(kindAfter(u"フリガナ"), kind::KatakanaReading);
  EXPECT_EQ(kindAfter(u"ﾌﾘｶﾞﾅ"), kind::None);  // half-width kana is not the exact katakana word
  for (const auto label : {u"TEL", u"tel", u"Tel.", u"ＴＥＬ", u"ｔｅｌ"}) EXPECT_EQ(kindAfter(label), kind::Telephone) << text::toUtf8(label);
  for (const auto label : {u"mail", u"E-Mail", u"MAIL", u"Ｅメール", u"ｍａｉｌ"}) EXPECT_EQ(kindAfter(label), kind::Mail) << text::toUtf8(label);
  EXPECT_EQ(kindAfter(u"すまい"), kind::None);   // only 住まい is a residence keyword
  EXPECT_EQ(kindAfter(u"住マイ"), kind::Address);  // text comparison: kana type does not matter
}

TEST(FieldClassifier, CountsOnlyKeywordsBeforePosition150) {
  const std::u16string reversed(148, u'x');
  EXPECT_EQ(standardKeywords().iGetFieldKind(reversed + u"職"), kind::Occupation);  // position 149
  EXPECT_EQ(standardKeywords().iGetFieldKind(reversed + u"x職"), kind::None);       // position 150
}

TEST(FieldClassifier, OnATieTheLowerSlotWins) {
  KeywordTable table;
  table.setKeyword(40, u"XY");  // kind 9
  table.setKeyword(20, u"X");   // kind 5: both keywords end on the same character
  EXPECT_EQ(table.iGetFieldKind(u"XYZ"), 5);
  table.setKeyword(20, u"");
  EXPECT_EQ(table.iGetFieldKind(u"XYZ"), 9);
  table.setKeyword(81, u"X");  // slots beyond 80 are never searched
  table.setKeyword(40, u"");
  EXPECT_EQ(table.iGetFieldKind(u"XYZ"), kind::None);
  EXPECT_EQ(KeywordTable().iGetFieldKind(u"名氏"), kind::None);  // before SetKeywords every slot is empty
}

}  // namespace
}  // namespace formix::fill
