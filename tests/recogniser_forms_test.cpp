// The forms a value is offered in, for a box whose own rules refuse the one the page's words
// asked for; the extension writes the first form the box accepts.
#include <gtest/gtest.h>

#include "fill/recognise/values/date_example.h"
#include "fill/recognise/values/writing.h"
#include "tests/recogniser_facts.h"

namespace formix::fill {
namespace {

TEST(RecogniserForms, NumbersOfferTheOtherHyphensUnlessThePagesWordsSettledThem) {
  // Only the box's size or type said it: the other way is offered too.
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号"}})), (V{u"100-0001|1000001|１００－０００１|１０００００１"}));
  EXPECT_EQ(offered(page({{.type = u"tel", .rowHeader = u"電話番号", .inputMode = u"numeric"}})),
            (V{u"0312345678|03-1234-5678|０３１２３４５６７８|０３－１２３４－５６７８"}));
  // A note or an example said it: that way alone, in both widths.
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号", .placeholder = u"例：5300001"}})), (V{u"1000001|１０００００１"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号", .below = u"ハイフンを入れてください"}})), (V{u"100-0001|１００－０００１"}));
  // A width the label asks for stays.
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号", .placeholder = u"半角数字7桁"}})), (V{u"1000001"}));
}

TEST(RecogniserForms, FormsLongerThanTheBoxAreDroppedAndABoxNoFormFitsIsLeftAlone) {
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号", .maxLength = 7}})), (V{u"1000001|１０００００１"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"郵便番号", .maxLength = 6}})), (V{u"-"}));
  EXPECT_EQ(offered(page({{.label = u"お名前", .maxLength = 3}})), (V{u"-"}));
  const RecognitionResult r = recognise(page({{.label = u"お名前", .maxLength = 3}}), sampleProfile(), {2025, 6, 1});
  EXPECT_EQ(r.controls.front().reason, u"the value does not fit the box");
}

TEST(RecogniserForms, AMailHasOneWidthAndAMonthMayBePadded) {
  EXPECT_EQ(offered(page({{.type = u"email", .label = u"メールアドレス"}})), (V{u"taro.yamada@example.co.jp"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"生年月日", .after = u"年"}, {.rowHeader = u"生年月日", .after = u"月"},
                          {.rowHeader = u"生年月日", .after = u"日"}})),
            (V{u"1980|１９８０", u"5|05|５|０５", u"15|１５"}));
}

TEST(RecogniserForms, AReadingInHalfWidthKanaWhereThePageAsks) {
  EXPECT_EQ(offered(page({{.rowHeader = u"フリガナ（半角カナ）"}})), (V{u"ﾔﾏﾀﾞ ﾀﾛｳ"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"フリガナ（半角カナ）", .before = u"ｾｲ"}, {.rowHeader = u"フリガナ（半角カナ）", .before = u"ﾒｲ"}})),
            (V{u"ﾔﾏﾀﾞ", u"ﾀﾛｳ"}));
  EXPECT_EQ(recognition::halfWidthKatakana(u"ヴァン・パーク　ゴ"), u"ｳﾞｧﾝ・ﾊﾟｰｸ ｺﾞ");
}

TEST(RecogniserForms, ANameMayTakeABlankAndAReadingHiraganaUnlessThePageSaid) {
  EXPECT_EQ(offered(page({{.rowHeader = u"お名前"}})), (V{u"山田太郎|山田 太郎|山田　太郎"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"お名前", .placeholder = u"例）鈴木 一郎"}})), (V{u"山田 太郎|山田　太郎"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"フリガナ"}})), (V{u"ヤマダタロウ|ヤマダ タロウ|ヤマダ　タロウ"}));
  EXPECT_EQ(offered(page({{.rowHeader = u"ふりがな"}, {.rowHeader = u"ふりがな"}})), (V{u"やまだ", u"たろう"}));
  // The 名 inside 名前 and 仮名 names no part: the whole reading.
  EXPECT_EQ(offered(page({{.rowHeader = u"お名前（読み仮名）"}})), (V{u"やまだたろう|やまだ たろう|やまだ　たろう"}));
  EXPECT_EQ(offered(page({{.name = u"name_kana"}})), (V{u"ヤマダタロウ|ヤマダ タロウ|やまだたろう|やまだ たろう|ヤマダ　タロウ|やまだ　たろう"}));
}

TEST(DateExamples, TheBirthDateIsWrittenInTheExamplesOrderEraPaddingAndWidth) {
  using recognition::dateLikeExample;
  const CivilDate d{1980, 5, 15};
  EXPECT_EQ(dateLikeExample(u"例：1980/01/01", d), u"1980/05/15");
  EXPECT_EQ(dateLikeExample(u"（例）19800101", d), u"19800515");
  EXPECT_EQ(dateLikeExample(u"例：1980年1月1日生まれ", d), u"1980年5月15日");
  EXPECT_EQ(dateLikeExample(u"例：平成2年1月1日", d), u"昭和55年5月15日");
  EXPECT_EQ(dateLikeExample(u"例）H02.01.01", d), u"S55.05.15");
  EXPECT_EQ(dateLikeExample(u"例：平成元年4月1日", d), u"昭和55年5月15日");
  EXPECT_EQ(dateLikeExample(u"例：平成元年4月1日", CivilDate{1989, 5, 15}), u"平成元年5月15日");
  EXPECT_EQ(dateLikeExample(u"例：１９８０－０１－０１", d), u"１９８０－０５－１５");
  EXPECT_EQ(dateLikeExample(u"YYYY/MM/DD", d), u"1980/05/15");
  EXPECT_EQ(dateLikeExample(u"dd.mm.yyyy", d), u"15.05.1980");
  EXPECT_EQ(dateLikeExample(u"例：25/12/1990", d), u"15/05/1980");
  EXPECT_EQ(dateLikeExample(u"例：12/25/1990", d), u"05/15/1980");
  // Month and day either way round, a year of two digits, no date at all: no shape.
  EXPECT_EQ(dateLikeExample(u"例：01/02/1980", d), std::nullopt);
  EXPECT_EQ(dateLikeExample(u"例：80/01/01", d), std::nullopt);
  EXPECT_EQ(dateLikeExample(u"Date of birth", d), std::nullopt);
  EXPECT_EQ(dateLikeExample(u"半角数字で入力", d), std::nullopt);
  // Before Meiji there is no era to write.
  EXPECT_EQ(dateLikeExample(u"例：昭和55年1月1日", CivilDate{1850, 1, 1}), std::nullopt);
}

TEST(DateExamples, AYearBoxTakesTheYearAsItsExampleWritesIt) {
  using recognition::yearLikeExample;
  const CivilDate d{1980, 5, 15};
  EXPECT_EQ(yearLikeExample(u"例：1975", d), u"1980");
  EXPECT_EQ(yearLikeExample(u"例）昭和50", d), u"昭和55");
  EXPECT_EQ(yearLikeExample(u"例：s50", d), u"s55");
  EXPECT_EQ(yearLikeExample(u"例：50", d), std::nullopt);
  EXPECT_EQ(yearLikeExample(u"例：1980/01/01", d), std::nullopt);
  EXPECT_EQ(received(page({{.rowHeader = u"生年月日", .placeholder = u"例：昭和50", .after = u"年"},
                           {.rowHeader = u"生年月日", .after = u"月"}, {.rowHeader = u"生年月日", .after = u"日"}})),
            (V{u"昭和55", u"5", u"15"}));
  EXPECT_EQ(received(page({{.label = u"生年月日", .placeholder = u"例：平成2年1月1日"}})), (V{u"昭和55年5月15日"}));
}

}  // namespace
}  // namespace formix::fill
