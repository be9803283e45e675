// The forms a value is offered in, for a box whose own rules refuse the one the page's words
// asked for; the extension writes the first form the box accepts.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace formix::fill
