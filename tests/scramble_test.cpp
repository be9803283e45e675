// Scrambled text values of the settings file.
#include <gtest/gtest.h>

#include "app/scramble.h"
#include "text/utf.h"

namespace formix::app {
namespace {

std::u16string repeat(std::u16string_view piece, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(Scramble, WritesFourDigitsPerCharacterOfCodePage932) {
  EXPECT_EQ(sEncodeText(u""), u"");
  EXPECT_EQ(sEncodeText(u"A"), u"5E66");        // 0x41 ^ 0x5E27
  EXPECT_EQ(sEncodeText(u"あ"), u"DC87");       // 0x82A0 ^ 0x5E27: one group per character, not per byte
  EXPECT_EQ(sEncodeText(u"ｱ"), u"5E96");        // half-width katakana is a single byte, 0xB1
  EXPECT_EQ(sEncodeText(u"山田"), u"D075CD44");  // 0x8E52, 0x9363
  EXPECT_EQ(sEncodeText(std::u16string(1, u'\0')), u"5E27");
}

TEST(Scramble, UnscramblesWhatItScrambled) {
  for (const std::u16string& text : std::initializer_list<std::u16string>{u"", u"山田 太郎", u"taro.yamada@example.co.jp", u"〒100-0001 ｶﾀｶﾅ ①②",
                                    repeat(u"あ", 63), repeat(u"住所ABC", 700)}) {
    EXPECT_EQ(sDecodeText(sEncodeText(text)), text) << text::toUtf8(text);
  }
}

TEST(Scramble, KeepsCharactersThatCodePage932Lacks) {
  const std::u16string text = u"絵文字😀と𠀋と©";
  const std::u16string digits = sEncodeText(text);
  EXPECT_EQ(sDecodeText(digits), text);
  // The marker groups stand only where the code page has no form; the rest is as before.
  EXPECT_EQ(digits.substr(0, 12), sEncodeText(u"絵文字"));
  EXPECT_EQ(digits.substr(12, 8), u"5F26A827");  // marker 0x0101, then 0xF600, each ^ 0x5E27
  const std::u16string lone(1, char16_t(0xDC00));
  EXPECT_EQ(sDecodeText(sEncodeText(lone)), lone);
}

TEST(Unscramble, ReadsGroupsAsTheOriginalReader) {
  // 254 digits: count = round-half-even(63.5 - 1) = 62, so 63 characters; the two trailing digits are ignored.
  const std::u16string digits = repeat(u"5E66", 63) + u"5E";
  EXPECT_EQ(sDecodeText(digits), repeat(u"A", 63));
  EXPECT_EQ(sDecodeText(u"5E665E"), u"A");          // 1.5 - 1 rounds to 0: one group
  EXPECT_EQ(sDecodeText(u"5E665E665E"), u"AA\uFFFD");  // 2.5 - 1 rounds to 2: a third, short group
  EXPECT_EQ(sDecodeText(u"5"), u"");                // 0.25 - 1 rounds to -1: nothing
  EXPECT_EQ(sDecodeText(u"5e66"), u"A");            // lower-case digits read too
  EXPECT_EQ(sDecodeText(u"5EXX"), sDecodeText(u"005E"));  // digits up to the first non-digit
}

TEST(Unscramble, TurnsBrokenGroupsIntoReplacementCharacters) {
  EXPECT_EQ(sDecodeText(u"5EA7"), u"\uFFFD");       // 0x80 is no character
  EXPECT_EQ(sDecodeText(u"5F26"), u"\uFFFD");       // a marker with nothing after it
  EXPECT_EQ(sDecodeText(u"ZZZZ"), u"\uFFFD");       // no digits: 0 ^ 0x5E27, no character
}

}  // namespace
}  // namespace formix::app
