// What Formix knows of written Japanese (text/japanese.h) and the profile's one reading of the
// birth date (fill/profile.h).
#include <gtest/gtest.h>

#include "fill/profile.h"
#include "text/japanese.h"

namespace formix {
namespace {

TEST(JapaneseText, KanaWidthHyphensAndDigits) {
  EXPECT_EQ(text::toKatakana(u"やまだ ゝ Abc"), u"ヤマダ ヽ Abc");
  EXPECT_TRUE(text::isHiragana(u'ぁ'));
  EXPECT_TRUE(text::isKatakana(u'ヤ'));
  EXPECT_TRUE(text::isKatakana(u'ﾔ'));  // half-width katakana is katakana too
  EXPECT_FALSE(text::isKatakana(u'や'));
  EXPECT_EQ(text::toFullWidth(u"1-1 A"), u"１－１　Ａ");
  EXPECT_EQ(text::toHalfWidth(u"１－１　Ａ"), u"1-1 A");
  // Every character a page writes as a hyphen between digits or boxes, of both widths.
  for (char16_t c : std::u16string(u"-－ーｰ‐−―")) EXPECT_TRUE(text::isHyphen(c)) << static_cast<int>(c);
  EXPECT_FALSE(text::isHyphen(u'~'));
  EXPECT_EQ(text::numbersIn(u"1980/昭和５５年 05"), (std::vector<long>{1980, 55, 5}));
  EXPECT_TRUE(text::numbersIn(u"なし").empty());
}

TEST(JapaneseText, GenderWordsAndTheSizesThatLookLikeThem) {
  for (auto w : {u"男", u"男性", u"male", u"man", u"m", u"男子", u"男の子"}) EXPECT_TRUE(text::namesGender(w, true)) << static_cast<int>(w[0]);
  for (auto w : {u"女", u"女性", u"female", u"woman", u"f"}) EXPECT_TRUE(text::namesGender(w, false));
  EXPECT_FALSE(text::namesGender(u"female", true));
  EXPECT_FALSE(text::namesGender(u"", true));
  // A radio button beside "M" may choose a size: only words count as a gender of their own.
  EXPECT_TRUE(text::isGenderWord(u"女性"));
  EXPECT_TRUE(text::isGenderWord(u"男"));
  EXPECT_FALSE(text::isGenderWord(u"m"));
  EXPECT_FALSE(text::isGenderWord(u"l"));
}

TEST(ProfileBirth, OnlyWholeNumbersNamingARealDayMakeADate) {
  fill::Profile p;
  p.setBirth(u"1980", u" 5", u"15");
  ASSERT_TRUE(p.birth);
  EXPECT_EQ(*p.birth, (fill::CivilDate{1980, 5, 15}));
  EXPECT_EQ(p.birthTexts[1], u" 5");  // kept as typed
  p.setBirth(u"1980", u"2", u"30");
  EXPECT_FALSE(p.birth);
  p.setBirth(u"1980", u"5.5", u"15");  // rounded half to even, as a 16-bit integer holds it
  EXPECT_EQ(p.birth->month, 6);
  for (auto year : {u"", u"1e300", u"70000", u"五"}) {
    p.setBirth(year, u"5", u"15");
    EXPECT_FALSE(p.birth);
  }
  EXPECT_EQ(fill::profileFromPanel({u"山田", u"", u"", u"", u"taro", u"example.jp"}, {}, true).mail(), u"taro@example.jp");
  EXPECT_EQ(fill::profileFromPanel({u"山田", u"", u"", u"", u"taro"}, {}, true).mail(), u"");
}

}  // namespace
}  // namespace formix
