// The recogniser over the facts of a page: what each control receives, and what it leaves alone.
#include <gtest/gtest.h>

#include "tests/recogniser_facts.h"

namespace formix::fill {
namespace {

TEST(RecogniserNames, ARowLabelAndOneCharacterPartsSplitTheName) {
  EXPECT_EQ(received(page({{.rowHeader = u"お名前", .before = u"姓"}, {.rowHeader = u"お名前", .before = u"名"}})),
            (V{u"山田", u"太郎"}));
  EXPECT_EQ(received(page({{.rowHeader = u"お名前(フリガナ)", .before = u"セイ"}, {.rowHeader = u"お名前(フリガナ)", .before = u"メイ"}})),
            (V{u"ヤマダ", u"タロウ"}));
  // The reading's script follows the label's own script.
  EXPECT_EQ(received(page({{.label = u"せい"}, {.label = u"めい"}})), (V{u"やまだ", u"たろう"}));
  EXPECT_EQ(received(page({{.rowHeader = u"フリガナ", .before = u"姓"}, {.rowHeader = u"フリガナ", .before = u"名"}})),
            (V{u"ヤマダ", u"タロウ"}));
  EXPECT_EQ(received(page({{.placeholder = u"かな（せい）"}, {.placeholder = u"かな（めい）"}})), (V{u"やまだ", u"たろう"}));
  EXPECT_EQ(received(page({{.label = u"姓カナ(全角)"}, {.label = u"名カナ(全角)"}})), (V{u"ヤマダ", u"タロウ"}));
  // One header names both rows of boxes.
  const std::u16string both = u"【必須】 ご契約者さまのお名前（全角） 【必須】 フリガナ（全角カナ）";
  EXPECT_EQ(received(page({{.rowHeader = both, .before = u"姓"},
                           {.rowHeader = both, .before = u"名"},
                           {.rowHeader = both, .before = u"セイ"},
                           {.rowHeader = both, .before = u"メイ"}})),
            (V{u"山田", u"太郎", u"ヤマダ", u"タロウ"}));
  // One box takes the whole name; given-then-family boxes are filled the way round they ask.
  EXPECT_EQ(received(page({{.label = u"氏名"}, {.label = u"ふりがな"}})), (V{u"山田太郎", u"やまだたろう"}));
  // With the blank the page's example shows or its words ask for.
  EXPECT_EQ(received(page({{.label = u"氏名", .placeholder = u"例）山田 花子"}, {.label = u"フリガナ", .placeholder = u"ヤマダ　ハナコ"}})),
            (V{u"山田 太郎", u"ヤマダ　タロウ"}));
  EXPECT_EQ(received(page({{.label = u"お名前（姓と名の間に全角スペース）"}})), (V{u"山田　太郎"}));
  EXPECT_EQ(received(page({{.rowHeader = u"Name", .before = u"名", .name = u"first_name"},
                           {.rowHeader = u"Name", .before = u"姓", .name = u"last_name"}})),
            (V{u"太郎", u"山田"}));
  // Only names of the developer's: family and given name, then their reading.
  EXPECT_EQ(received(page({{.name = u"name01"}, {.name = u"name02"}, {.name = u"kana01"}, {.name = u"kana02"}})),
            (V{u"山田", u"太郎", u"ヤマダ", u"タロウ"}));
  EXPECT_EQ(received(page({{.rowHeader = u"ふりがな", .placeholder = u"例）やまだ", .name = u"last_kana"},
                           {.rowHeader = u"ふりがな", .placeholder = u"例）たろう", .name = u"first_kana"}})),
            (V{u"やまだ", u"たろう"}));
}

TEST(RecogniserLeavesAlone, BoxesAPersonLeavesAlone) {
  EXPECT_EQ(received(page({{.rowHeader = u"会社名"},
                           {.type = u"password", .rowHeader = u"パスワード"},
                           {.rowHeader = u"パスワードを忘れた時のヒント", .before = u"答え"},
                           {.rowHeader = u"ニックネーム"},
                           {.type = u"textarea", .rowHeader = u"お問い合わせ内容"},
                           {.rowHeader = u"ご本人様確認用の回答"},
                           {.rowHeader = u"緊急連絡先"},
                           {.rowHeader = u"内線"},
                           {.rowHeader = u"住所(ヨミ)", .before = u"市区町村／番地"}})),
            (V(9, u"-")));
  // FAX boxes beside the telephone's, and a mobile box beside a landline one.
  EXPECT_EQ(received(page({{.rowHeader = u"電話番号"}, {.rowHeader = u"FAX"}, {.rowHeader = u"携帯電話"}})),
            (V{u"03-1234-5678", u"-", u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"電話番号 TEL (TELまたは携帯のどちらか)"}, {.rowHeader = u"携帯"}})),
            (V{u"03-1234-5678", u"-"}));
  // A mobile box that is the only telephone box of the form is the telephone.
  EXPECT_EQ(received(page({{.rowHeader = u"携帯電話番号"}})), (V{u"03-1234-5678"}));
  // A second address or number is not the confirmation of the first.
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"メールアドレス1"}, {.type = u"email", .rowHeader = u"メールアドレス2"}})),
            (V{u"taro.yamada@example.co.jp", u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"電話番号1"}, {.rowHeader = u"電話番号2"}})), (V{u"03-1234-5678", u"-"}));
  // Latin letters of a name, a mobile's mail beside the main one, a delivery address beside the
  // person's own.
  EXPECT_EQ(received(page({{.rowHeader = u"氏名"}, {.rowHeader = u"氏名（ローマ字）"}})), (V{u"山田太郎", u"-"}));
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"PCメールアドレス"}, {.type = u"email", .rowHeader = u"携帯メールアドレス"}})),
            (V{u"taro.yamada@example.co.jp", u"-"}));
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"携帯メールアドレス"}})), (V{u"taro.yamada@example.co.jp"}));
  EXPECT_EQ(received(page({{.rowHeader = u"ご住所"}, {.rowHeader = u"お届け先住所"}})), (V{u"東京都千代田区千代田1-1ABCビル 101", u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"お届け先住所"}})), (V{u"東京都千代田区千代田1-1ABCビル 101"}));
  // A check box and a radio group that is not the gender are never touched.
  EXPECT_EQ(received(page({{.type = u"checkbox", .label = u"利用規約に同意する"},
                           {.type = u"radio", .rowHeader = u"メールマガジン", .beside = u"希望する", .name = u"m"}})),
            (V{u"-", u"-"}));
}

TEST(RecogniserSafety, NothingTheUserCannotSeeOrHasTyped) {
  const C mail{.type = u"email", .label = u"メールアドレス"};
  auto with = [&](auto change) {
    C c = mail;
    change(c);
    return received(page({c}));
  };
  EXPECT_EQ(with([](C&) {}), (V{u"taro.yamada@example.co.jp"}));
  EXPECT_EQ(with([](C& c) { c.visible = false; }), (V{u"-"}));
  EXPECT_EQ(with([](C& c) { c.enabled = false; }), (V{u"-"}));
  EXPECT_EQ(with([](C& c) { c.editable = false; }), (V{u"-"}));
  EXPECT_EQ(with([](C& c) { c.userEdited = true; c.value = u"me@home.example"; }), (V{u"-"}));
  EXPECT_EQ(with([](C& c) { c.value = u"kept@example.org"; }), (V{u"-"}));
  // The browser tells only how long a box's text is; a honeypot's marks keep a box out.
  const auto marked = [&](auto change) {
    PageFacts p = page({mail});
    change(p.frames[0].controls[0]);
    return received(p);
  };
  EXPECT_EQ(marked([](ControlFacts& c) { c.valueLength = 3; }), (V{u"-"}));
  EXPECT_EQ(marked([](ControlFacts& c) { c.ariaHidden = true; }), (V{u"-"}));
  EXPECT_EQ(marked([](ControlFacts& c) { c.tabIndex = -1; }), (V{u"-"}));
  EXPECT_EQ(marked([](ControlFacts& c) { c.tabIndex = 3; }), (V{u"taro.yamada@example.co.jp"}));

  // Frames: another site's frame is never filled, unless the page shares autofill with it; an
  // invisible frame never.
  PageFacts p = page({mail});
  FrameFacts other = p.frames[0];
  other.frame = 7;
  other.origin = u"https://tracker.example";
  p.frames.push_back(other);
  EXPECT_EQ(received(p), (V{u"taro.yamada@example.co.jp", u"-"}));
  p.frames[1].sharedAutofill = true;
  p.frames[0].controls[0].form = 1;  // two forms: the one with the focus is filled
  p.frames[1].controls[0].focused = true;
  EXPECT_EQ(received(p), (V{u"-", u"taro.yamada@example.co.jp"}));
  p.frames[1].visible = false;
  EXPECT_EQ(received(p)[1], u"-");
}

TEST(RecogniserSafety, TheFormWithTheMostRecognisedBoxesIsFilledNotTheSiteSearch) {
  EXPECT_EQ(received(page({{.type = u"text", .placeholder = u"キーワードで検索", .name = u"q", .form = 0},
                           {.label = u"お名前", .form = 1},
                           {.type = u"email", .label = u"メール", .form = 1},
                           {.label = u"電話番号", .form = 2}})),
            (V{u"-", u"山田太郎", u"taro.yamada@example.co.jp", u"-"}));
  // The focus in the search box chooses no form: the registration form is still filled.
  EXPECT_EQ(received(page({{.type = u"text", .placeholder = u"キーワードで検索", .name = u"q", .focused = true, .form = 0},
                           {.label = u"お名前", .form = 1}})),
            (V{u"-", u"山田太郎"}));
}

TEST(RecogniserNumbers, PostalCodeAndTelephoneSplitOrWholeWithTheHyphensThePageAsks) {
  EXPECT_EQ(received(page({{.rowHeader = u"郵便番号", .before = u"〒", .maxLength = 3},
                           {.rowHeader = u"郵便番号", .before = u"-", .maxLength = 4}})),
            (V{u"100", u"0001"}));
  EXPECT_EQ(received(page({{.rowHeader = u"郵便番号", .placeholder = u"例：5300001"}})), (V{u"1000001"}));
  EXPECT_EQ(received(page({{.rowHeader = u"郵便番号", .placeholder = u"例)123-4567"}})), (V{u"100-0001"}));
  EXPECT_EQ(received(page({{.placeholder = u"郵便番号(ハイフンなし)"}})), (V{u"1000001"}));
  EXPECT_EQ(received(page({{.label = u"郵便番号", .maxLength = 7}})), (V{u"1000001"}));
  EXPECT_EQ(received(page({{.rowHeader = u"電話番号"}, {.rowHeader = u"電話番号"}, {.rowHeader = u"電話番号"}})),
            (V{u"03", u"1234", u"5678"}));
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"電話番号", .placeholder = u"例：11122223333"}})), (V{u"0312345678"}));
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"電話番号", .maxLength = 11}})), (V{u"0312345678"}));
}

TEST(RecogniserMail, WholeLocalAndDomainAndConfirmation) {
  EXPECT_EQ(received(page({{.rowHeader = u"メールアドレス", .after = u"@"}, {.rowHeader = u"メールアドレス", .before = u"@"}})),
            (V{u"taro.yamada", u"example.co.jp"}));
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"メールアドレス"},
                           {.type = u"email", .rowHeader = u"メールアドレス", .placeholder = u"確認のためもう一度入力してください"}})),
            (V{u"taro.yamada@example.co.jp", u"taro.yamada@example.co.jp"}));
  EXPECT_EQ(received(page({{.label = u"メールアドレス"}, {.label = u"メールアドレス（確認用）"}})),
            (V{u"taro.yamada@example.co.jp", u"taro.yamada@example.co.jp"}));
  // A confirmation in two halves too.
  EXPECT_EQ(received(page({{.before = u"メールアドレス", .after = u"@"}, {.before = u"@"},
                           {.before = u"メールアドレス（確認）", .after = u"@"}, {.before = u"@"}})),
            (V{u"taro.yamada", u"example.co.jp", u"taro.yamada", u"example.co.jp"}));
  // An example with an at sign before the confirmation box does not make it the domain's box.
  EXPECT_EQ(received(page({{.rowHeader = u"メールアドレス", .after = u"例）xxx@xxx.xxx"},
                           {.rowHeader = u"メールアドレス", .before = u"例）xxx@xxx.xxx 確認のため再度入力してください。"}})),
            (V{u"taro.yamada@example.co.jp", u"taro.yamada@example.co.jp"}));
}

TEST(RecogniserAddress, PrefectureCityStreetAndBuilding) {
  const std::vector<std::u16string> prefectures = {u"選択してください|", u"北海道|1", u"東京都|13", u"沖縄県|47"};
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = prefectures},
                           {.label = u"市区町村"},
                           {.label = u"番地"},
                           {.label = u"建物名・部屋番号"}})),
            (V{u"#2", u"千代田区", u"千代田1-1", u"ABCビル 101"}));
  // A list without the suffix character; a prefecture text box.
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = {u"---", u"東京", u"大阪"}}})), (V{u"#1"}));
  EXPECT_EQ(received(page({{.placeholder = u"都道府県"}})), (V{u"東京都"}));
  // Hints under the boxes name them; the town's name goes with the city when the numbers go with
  // the building.
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .after = u"市区町村名 (例：千代田区神田神保町)"},
                           {.rowHeader = u"住所", .before = u"市区町村名 (例：千代田区神田神保町)", .after = u"番地・ビル名 (例：1-3-5)"}})),
            (V{u"千代田区千代田", u"1-1 ABCビル 101"}));
  // One box after a prefecture list takes the rest; with no prefecture box, the whole address.
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = prefectures}, {.label = u"都道府県以下"}})),
            (V{u"#2", u"千代田区千代田1-1ABCビル 101"}));
  EXPECT_EQ(received(page({{.label = u"住所"}})), (V{u"東京都千代田区千代田1-1ABCビル 101"}));
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .name = u"addr01"}, {.rowHeader = u"住所", .name = u"addr02"}})),
            (V{u"千代田区千代田1-1", u"ABCビル 101"}));
  // Town and numbers apart, in full-width characters where the page asks for them.
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .before = u"市区町村・郡"},
                           {.rowHeader = u"住所", .before = u"町名"},
                           {.rowHeader = u"住所", .before = u"丁目・番地 (英数字は全角で)"},
                           {.rowHeader = u"住所", .before = u"ビル・建物名、部屋番号 (英数字は全角で)"}})),
            (V{u"千代田区", u"千代田", u"１－１", u"ＡＢＣビル　１０１"}));
  // Notes under boxes that share a row name them; under boxes with rows of their own, the note
  // under a box is the next one's label, and the rows name the boxes.
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .below = u"市区町村名 (例：千代田区神田神保町)"},
                           {.rowHeader = u"住所", .below = u"番地・ビル名 (例：1-3-5) 電話番号"},
                           {.rowHeader = u"電話番号"}})),
            (V{u"千代田区千代田", u"1-1 ABCビル 101", u"03-1234-5678"}));
  EXPECT_EQ(received(page({{.rowHeader = u"市区町村", .below = u"番地"},
                           {.rowHeader = u"番地", .below = u"建物名"},
                           {.rowHeader = u"建物名", .below = u"※「英数字」は全角で入力してください。 電話番号"}})),
            (V{u"千代田区", u"千代田１－１", u"ＡＢＣビル　１０１"}));
  // The note under the last box speaks for all of them.
  EXPECT_EQ(received(page({{.rowHeader = u"市区町村・郡"},
                           {.rowHeader = u"町名"},
                           {.rowHeader = u"丁目・番地"},
                           {.rowHeader = u"ビル・建物名", .after = u"「英数字」は全角で入力してください。"}})),
            (V{u"千代田区", u"千代田", u"１－１", u"ＡＢＣビル　１０１"}));
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .before = u"市区町村／番地"}, {.rowHeader = u"住所", .before = u"建物／部屋番号"}})),
            (V{u"千代田区千代田1-1", u"ABCビル 101"}));
  // A box that names no part takes what its neighbours leave: between a city's box and a
  // building's the rest of the city line; before a building's, all up to it.
  EXPECT_EQ(received(page({{.label = u"市区町村"}, {.label = u"住所"}, {.label = u"建物名、部屋番号など（任意）"}})),
            (V{u"千代田区", u"千代田1-1", u"ABCビル 101"}));
  EXPECT_EQ(received(page({{.label = u"住所"}, {.label = u"建物名・部屋番号"}})), (V{u"東京都千代田区千代田1-1", u"ABCビル 101"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = prefectures}, {.label = u"住所"}, {.label = u"建物名"}})),
            (V{u"#2", u"千代田区千代田1-1", u"ABCビル 101"}));
  // The city's letters in an order no table has, and half-width katakana with their voiced marks.
  EXPECT_EQ(received(page({{.rowHeader = u"市町区村"}, {.rowHeader = u"町名・番地"}, {.rowHeader = u"ﾏﾝｼｮﾝ･ﾋﾞﾙ名"}})),
            (V{u"千代田区", u"千代田1-1", u"ABCビル 101"}));
  EXPECT_EQ(received(page({{.rowHeader = u"ﾌﾘｶﾞﾅ"}})), (V{u"ヤマダタロウ"}));
  // "番地まで" is everything up to the numbers.
  EXPECT_EQ(received(page({{.rowHeader = u"ご住所（番地まで）"}, {.rowHeader = u"建物名・部屋番号"}})), (V{u"東京都千代田区千代田1-1", u"ABCビル 101"}));
  // A box whose words name every part, the prefecture first, takes the whole address.
  EXPECT_EQ(received(page({{.rowHeader = u"現住所", .before = u"〒"}, {.rowHeader = u"現住所", .placeholder = u"都道府県・市区町村・番地・建物名"}})),
            (V{u"100-0001", u"東京都千代田区千代田1-1ABCビル 101"}));
  // An example that shows the prefecture asks for it, a prefecture list elsewhere or not.
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = prefectures},
                           {.label = u"住所", .placeholder = u"例）東京都渋谷区渋谷1-2-3 サンプルマンション101"}})),
            (V{u"#2", u"東京都千代田区千代田1-1ABCビル 101"}));
  // A list of the prefectures for another place than the person's home is left alone.
  EXPECT_EQ(received(page({{.type = u"select", .label = u"希望勤務地", .options = prefectures},
                           {.type = u"select", .rowHeader = u"建築予定地", .options = {u"都道府県", u"東京都", u"神奈川県"}},
                           {.type = u"select", .label = u"都道府県", .options = prefectures}})),
            (V{u"-", u"-", u"#2"}));
}

TEST(RecogniserBirth, ListsTextBoxesErasAndDates) {
  std::vector<std::u16string> years = {u"----"}, months = {u"--"}, days = {u"--"};
  for (int y = 2010; y >= 1950; --y) years.push_back(text::widen(std::to_string(y)));
  for (int m = 1; m <= 12; ++m) months.push_back(text::widen((m < 10 ? "0" : "") + std::to_string(m)));
  for (int d = 1; d <= 31; ++d) days.push_back(text::widen(std::to_string(d)) + u"|" + text::widen(std::to_string(d)));
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .options = years, .after = u"年"},
                           {.type = u"select", .rowHeader = u"生年月日", .options = months, .after = u"月"},
                           {.type = u"select", .rowHeader = u"生年月日", .options = days, .after = u"日"}})),
            (V{u"#31", u"#5", u"#15"}));
  // Years written with their era, and an era list with an era year box.
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .options = {u"1979/昭和54", u"1980/昭和55"}}}))[0], u"#1");
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .options = {u"昭和54年|1979", u"昭和55年|1980"}}}))[0], u"#1");
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .options = {u"昭和54年", u"昭和55年"}}}))[0], u"#1");
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .before = u"元号", .options = {u"お選びください", u"昭和", u"平成"}},
                           {.rowHeader = u"生年月日", .after = u"年", .maxLength = 2},
                           {.rowHeader = u"生年月日", .after = u"月", .maxLength = 2},
                           {.rowHeader = u"生年月日", .after = u"日", .maxLength = 2}})),
            (V{u"#1", u"55", u"5", u"15"}));
  EXPECT_EQ(received(page({{.type = u"date", .label = u"生年月日"}})), (V{u"1980-05-15"}));
  // One text box for the whole date: as the page's example writes it.
  EXPECT_EQ(received(page({{.label = u"生年月日", .placeholder = u"例：19800101"}})), (V{u"19800515"}));
  EXPECT_EQ(received(page({{.label = u"生年月日", .placeholder = u"例）1990/01/01"}})), (V{u"1980/05/15"}));
  EXPECT_EQ(received(page({{.label = u"生年月日", .placeholder = u"1990年1月1日"}})), (V{u"1980年5月15日"}));
  EXPECT_EQ(received(page({{.label = u"生年月日"}})), (V{u"-"}));
  // Age: a number, or a bracket of a list.
  EXPECT_EQ(received(page({{.label = u"年齢"}})), (V{u"45"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"年齢", .options = {u"選択", u"20代", u"30代", u"40代", u"50代"}}})),
            (V{u"#3"}));
}

TEST(RecogniserBirth, TheCalendarOfAWholeDateIsNoPartOfIt) {
  EXPECT_EQ(received(page({{.rowHeader = u"生年月日（西暦）", .after = u"半角数字8桁", .maxLength = 8}})), (V{u"19800515"}));
  EXPECT_EQ(received(page({{.rowHeader = u"生年（西暦）"}})), (V{u"1980"}));
}

TEST(RecogniserBirth, AUnitStandsAfterItsBox) {
  // "[ ]年[ ]月[ ]日生（満[ ]歳）": the unit before a box is the one before's.
  EXPECT_EQ(received(page({{.rowHeader = u"生年月日", .after = u"年"}, {.rowHeader = u"生年月日", .before = u"年", .after = u"月"},
                           {.rowHeader = u"生年月日", .before = u"月", .after = u"日生（満"},
                           {.rowHeader = u"生年月日", .before = u"日生（満", .after = u"歳）"}})),
            (V{u"1980", u"5", u"15", u"45"}));
}

TEST(RecogniserChoices, GenderOccupationAndListsAlreadyRight) {
  EXPECT_EQ(received(page({{.type = u"radio", .rowHeader = u"性別", .beside = u"男性", .value = u"1", .name = u"sex"},
                           {.type = u"radio", .rowHeader = u"性別", .beside = u"女性", .value = u"2", .name = u"sex"}})),
            (V{u"checked", u"-"}));
  // Without words beside them, the values say it; the female profile gets the other one.
  Profile female = sampleProfile();
  female.male = false;
  EXPECT_EQ(received(page({{.type = u"radio", .rowHeader = u"性別", .value = u"male", .name = u"g"},
                           {.type = u"radio", .rowHeader = u"性別", .value = u"female", .name = u"g"}}),
                     female),
            (V{u"-", u"checked"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"性別", .options = {u"女", u"男"}, .selected = {0}}})), (V{u"#1"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"職業", .options = {u"選択", u"会社員", u"学生"}}})), (V{u"#1"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"ご職業", .options = {u"公務員", u"会社員・団体職員", u"学生"}}})), (V{u"#1"}));
  // No option is the profile's occupation: the list stays as it is.
  EXPECT_EQ(received(page({{.type = u"select", .label = u"職業", .options = {u"公務員", u"学生・フリーター"}}})), (V{u"-"}));
  // Buttons that choose one of several mail boxes choose the one Formix filled.
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"メールアドレス", .before = u"メールアドレス1"},
                           {.type = u"radio", .rowHeader = u"メールアドレス", .beside = u"このメールアドレスでログインする", .value = u"1", .name = u"login"},
                           {.type = u"email", .rowHeader = u"メールアドレス", .before = u"メールアドレス2"},
                           {.type = u"radio", .rowHeader = u"メールアドレス", .beside = u"このメールアドレスでログインする", .value = u"2", .name = u"login"}})),
            (V{u"taro.yamada@example.co.jp", u"checked", u"-", u"-"}));
  // A radio group the user has already answered stays as it is.
  EXPECT_EQ(received(page({{.type = u"radio", .rowHeader = u"性別", .beside = u"男", .name = u"s"},
                           {.type = u"radio", .rowHeader = u"性別", .beside = u"女", .name = u"s", .userEdited = true, .checked = true}})),
            (V{u"-", u"-"}));
}

}  // namespace
}  // namespace formix::fill
