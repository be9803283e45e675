// Whose details a control asks for and where each profile item goes: sections, one item in one
// place, periods, and the evidence a box's words give.
#include <gtest/gtest.h>

#include "tests/recogniser_facts.h"

namespace formix::fill {
namespace {

const std::u16string kMail = u"taro.yamada@example.co.jp";

TEST(RecogniserSections, TheHeadingAboveSaysWhoseDetailsABlockAsksFor) {
  // The applicant's block and a companion's, in both orders: only the person's own is filled.
  const std::vector<std::u16string> own = {u"参加申込", u"お申込者様情報"}, companion = {u"参加申込", u"同行者様情報"};
  EXPECT_EQ(received(page({{.rowHeader = u"お名前", .sections = own},
                           {.type = u"email", .rowHeader = u"メールアドレス", .sections = own},
                           {.rowHeader = u"お名前", .sections = companion},
                           {.type = u"email", .rowHeader = u"メールアドレス", .sections = companion}})),
            (V{u"山田太郎", kMail, u"-", u"-"}));
  const std::vector<std::u16string> guests = {u"ご宿泊されるお客様（代表者以外）"}, representative = {u"ご予約者（代表者）様"};
  EXPECT_EQ(received(page({{.rowHeader = u"氏名", .sections = guests}, {.rowHeader = u"氏名", .sections = representative}})),
            (V{u"-", u"山田太郎"}));
  // A guardian who is the applicant fills; a guardian beside the patient does not.
  EXPECT_EQ(received(page({{.rowHeader = u"お名前", .sections = {u"保護者様（お申込者）"}},
                           {.rowHeader = u"お名前", .sections = {u"参加するお子様（1人目）"}}})),
            (V{u"山田太郎", u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"電話番号", .sections = {u"患者様ご本人について"}},
                           {.rowHeader = u"電話番号", .sections = {u"保護者様（患者様が未成年の場合）"}}})),
            (V{u"03-1234-5678", u"-"}));
  // A form that asks about the person's child: its guardian is the person, in the labels too;
  // the child's block and an emergency contact's, even one that names the guardian, are not.
  EXPECT_EQ(received(page({{.label = u"保護者様のお名前", .sections = {u"ご依頼者（保護者様）の情報"}},
                           {.label = u"お子様のお名前", .sections = {u"お子様の情報"}},
                           {.type = u"tel", .label = u"電話番号", .sections = {u"緊急連絡先（保護者様と連絡がつかない場合）"}}})),
            (V{u"山田太郎", u"-", u"-"}));
  EXPECT_EQ(received(page({{.label = u"保護者様のお名前", .sections = {u"保護者様の情報"}}})), (V{u"-"}));
  // A label that names someone else leaves its box, whatever section it stands in.
  EXPECT_EQ(received(page({{.label = u"お名前"}, {.label = u"お子様のお名前"}, {.type = u"email", .label = u"同伴者のメールアドレス"}})),
            (V{u"山田太郎", u"-", u"-"}));
  // The innermost heading that names someone decides; a referrer's and an emergency contact's
  // blocks are left whole.
  EXPECT_EQ(received(page({{.rowHeader = u"住所", .sections = {u"入会申込書", u"入会者"}},
                           {.rowHeader = u"住所", .sections = {u"入会申込書", u"ご紹介者（いらっしゃる場合）"}},
                           {.before = u"電話番号", .sections = {u"緊急連絡先"}}})),
            (V{u"東京都千代田区千代田1-1ABCビル 101", u"-", u"-"}));
  // A delivery section beside the person's own address is left; alone, it is the address.
  EXPECT_EQ(received(page({{.rowHeader = u"ご住所", .sections = {u"ご依頼主様"}}, {.rowHeader = u"ご住所", .sections = {u"お届け先様"}}})),
            (V{u"東京都千代田区千代田1-1ABCビル 101", u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"ご住所", .sections = {u"お届け先"}}})), (V{u"東京都千代田区千代田1-1ABCビル 101"}));
  // A row named for delivery, alone on the page, with the list of prefectures in it: the address.
  EXPECT_EQ(received(page({{.rowHeader = u"お届け先住所", .before = u"〒", .placeholder = u"000-0000"},
                           {.type = u"select", .rowHeader = u"お届け先住所", .options = {u"都道府県", u"東京都", u"大阪府"}, .name = u"pref", .selected = {0}},
                           {.rowHeader = u"お届け先住所", .placeholder = u"市区町村・番地"},
                           {.rowHeader = u"お届け先住所", .placeholder = u"建物名・部屋番号"}})),
            (V{u"100-0001", u"#1", u"千代田区千代田1-1", u"ABCビル 101"}));
}

TEST(RecogniserOnePlace, EachItemFillsOneBoxOrGroupTheOwnSectionsFirst) {
  // A block repeated without headings: the second person's boxes are left alone.
  EXPECT_EQ(received(page({{.rowHeader = u"お名前", .before = u"姓"}, {.rowHeader = u"お名前", .before = u"名"},
                           {.type = u"date", .rowHeader = u"生年月日"},
                           {.rowHeader = u"お名前（2人目）", .before = u"姓"}, {.rowHeader = u"お名前（2人目）", .before = u"名"},
                           {.type = u"date", .rowHeader = u"生年月日（2人目）"}})),
            (V{u"山田", u"太郎", u"1980-05-15", u"-", u"-", u"-"}));
  // The person's own section wins over a neutral block before it.
  EXPECT_EQ(received(page({{.rowHeader = u"お名前", .sections = {u"ご利用者"}}, {.rowHeader = u"お名前", .sections = {u"会員情報"}}})),
            (V{u"-", u"山田太郎"}));
  // A confirmation box is no second place.
  EXPECT_EQ(received(page({{.type = u"email", .label = u"メールアドレス"}, {.type = u"email", .label = u"メールアドレス（確認用）"}})),
            (V{kMail, kMail}));
  // Year and month boxes of a history's rows are periods, not the birth date.
  EXPECT_EQ(received(page({{.after = u"年", .name = u"h_y1", .columnHeader = u"年"}, {.after = u"月", .name = u"h_m1", .columnHeader = u"月"},
                           {.after = u"年", .name = u"h_y2", .columnHeader = u"年"}, {.after = u"月", .name = u"h_m2", .columnHeader = u"月"}})),
            (V(4, u"-")));
  EXPECT_EQ(received(page({{.rowHeader = u"入学", .after = u"年", .name = u"birth_y"}, {.rowHeader = u"入学", .after = u"月", .name = u"birth_m"}})),
            (V(2, u"-")));
  EXPECT_EQ(received(page({{.rowHeader = u"1", .after = u"年", .name = u"birth_y"}, {.rowHeader = u"1", .after = u"月", .name = u"birth_m"}})),
            (V(2, u"-")));
}

TEST(RecogniserEvidence, OneCharacterWordsLeaveWordsSecondBoxesAndVisibleLabels) {
  // "名" of "施設名" names no person; under "お名前" it is the given name.
  EXPECT_EQ(received(page({{.label = u"施設名"}})), (V{u"-"}));
  // Boxes whose own labels are 姓 and 名 side by side name each other; one alone names nothing.
  EXPECT_EQ(received(page({{.label = u"姓"}, {.label = u"名"}})), (V{u"山田", u"太郎"}));
  EXPECT_EQ(received(page({{.label = u"名"}, {.label = u"姓"}})), (V{u"太郎", u"山田"}));
  EXPECT_EQ(received(page({{.label = u"名"}, {.label = u"メールアドレス"}})), (V{u"-", u"taro.yamada@example.co.jp"}));
  // "…者名" is the name of whoever the word names: the whole name.
  EXPECT_EQ(received(page({{.rowHeader = u"ご予約者名", .placeholder = u"例）山田 花子"}})), (V{u"山田 太郎"}));
  EXPECT_EQ(received(page({{.label = u"姓", .block = u"お名前"}, {.label = u"名", .block = u"お名前"}})), (V{u"山田", u"太郎"}));
  // A FAX box whose label also says 連絡先, either way round.
  EXPECT_EQ(received(page({{.type = u"tel", .label = u"電話番号"}, {.type = u"tel", .label = u"FAX（連絡先）"}, {.label = u"連絡先FAX番号"}})),
            (V{u"03-1234-5678", u"-", u"-"}));
  // A header that names two items over two boxes names one for each; over one box, or naming
  // one topic twice, it stays whole.
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"TEL / FAX", .after = u"/"}, {.type = u"tel", .rowHeader = u"TEL / FAX", .before = u"/"}})),
            (V{u"03-1234-5678", u"-"}));
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"電話・FAX"}})), (V{u"-"}));
  EXPECT_EQ(received(page({{.rowHeader = u"郵便番号・住所"}, {.rowHeader = u"郵便番号・住所"}})), (V{u"100-0001", u"東京都千代田区千代田1-1ABCビル 101"}));
  // "連絡先" is the telephone unless the label names another item.
  EXPECT_EQ(received(page({{.type = u"email", .rowHeader = u"連絡先メールアドレス"}, {.type = u"tel", .rowHeader = u"ご連絡先（電話番号）"}})),
            (V{kMail, u"03-1234-5678"}));
  // Buttons of a question about someone else name no gender of the person's.
  EXPECT_EQ(received(page({{.label = u"お名前"}, {.type = u"radio", .rowHeader = u"ご希望の講師の性別", .beside = u"男性", .name = u"t"},
                           {.type = u"radio", .rowHeader = u"ご希望の講師の性別", .beside = u"女性", .name = u"t"}})),
            (V{u"山田太郎", u"-", u"-"}));
  // An address's word that qualifies another item's names whose it is; a home-town address is
  // another place.
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"現住所電話番号"}})), (V{u"03-1234-5678"}));
  EXPECT_EQ(received(page({{.type = u"tel", .rowHeader = u"電話番号"}, {.type = u"tel", .rowHeader = u"帰省先電話番号"},
                           {.rowHeader = u"帰省先住所"}})),
            (V{u"03-1234-5678", u"-", u"-"}));
  // Second boxes, however they are marked, are no confirmation.
  EXPECT_EQ(received(page({{.type = u"email", .label = u"メールアドレス"}, {.type = u"email", .label = u"予備のメールアドレス"},
                           {.type = u"tel", .label = u"電話番号"}, {.type = u"tel", .label = u"電話番号（サブ）"}})),
            (V{kMail, u"-", u"03-1234-5678", u"-"}));
  EXPECT_EQ(received(page({{.label = u"住所"}, {.label = u"第2住所"}})), (V{u"東京都千代田区千代田1-1ABCビル 101", u"-"}));
  // What a person reads beats autocomplete and aria-label.
  EXPECT_EQ(received(page({{.block = u"お名前", .autocomplete = u"given-name"}})), (V{u"山田太郎"}));
  EXPECT_EQ(received(page({{.block = u"ニックネーム", .autocomplete = u"street-address"}})), (V{u"-"}));
  EXPECT_EQ(received(page({{.block = u"ひとこと", .aria = u"電話番号"}})), (V{u"-"}));
  EXPECT_EQ(received(page({{.aria = u"電話番号"}})), (V{u"03-1234-5678"}));
  // An aria-label that is the title the box sits under is read, with the note between them.
  EXPECT_EQ(received(page({{.type = u"tel", .sections = {u"当日連絡のつく電話番号*"}, .block = u"半角数字、ハイフンなしでご記入ください",
                           .aria = u"当日連絡のつく電話番号"}})),
            (V{u"0312345678"}));
  // The script of a reading a label block above the box is written in.
  EXPECT_EQ(received(page({{.block = u"代表者氏名（ふりがな）"}})), (V{u"やまだたろう"}));
  // A text box is never the gender, whatever a neighbouring block says.
  EXPECT_EQ(received(page({{.name = u"mail", .block = u"性別"}})), (V{kMail}));
}

TEST(RecogniserShapes, NotesExamplesAndOneBoxOrAGroup) {
  // No hyphens, in the wordings pages use.
  for (const std::u16string note : {u"※「-」は入れずに半角数字でご入力ください", u"半角数字のみ（区切り記号は不要です）",
                                    u"ハイフンは入力せずにご記入ください", u"ハイフン不要", u"ハイフンを省いてご入力ください",
                                    u"ハイフンはつけずにご入力ください", u"ハイフン（-）抜きで"}) {
    EXPECT_EQ(received(page({{.label = u"郵便番号", .below = note}})), (V{u"1000001"})) << text::toUtf8(note);
  }
  // The example's digits show the width.
  EXPECT_EQ(received(page({{.label = u"郵便番号", .placeholder = u"例）１２３－４５６７"}})), (V{u"１００－０００１"}));
  // A note that runs into the next box's label speaks only up to it.
  EXPECT_EQ(received(page({{.label = u"郵便番号", .below = u"郵便番号（ハイフンなし）"}}))[0], u"100-0001");
  // A single box takes the whole number, whatever its name says; boxes labelled apart are apart.
  EXPECT_EQ(received(page({{.type = u"tel", .label = u"電話番号", .name = u"tel1"}})), (V{u"03-1234-5678"}));
  EXPECT_EQ(received(page({{.placeholder = u"郵便番号"}, {.block = u"郵便番号（ハイフンを除く）"}})), (V{u"100-0001", u"-"}));
  // Address boxes by what they ask: prefecture and city, a city with the prefecture its example
  // shows, the rest after the city, everything from the city on.
  EXPECT_EQ(received(page({{.placeholder = u"例：東京都千代田区", .block = u"都道府県・市区町村"}})), (V{u"東京都千代田区"}));
  EXPECT_EQ(received(page({{.placeholder = u"例）大阪府大阪市北区", .block = u"市区町村"}, {.block = u"それ以降の住所"}})),
            (V{u"東京都千代田区", u"千代田1-1 ABCビル 101"}));
  EXPECT_EQ(received(page({{.type = u"select", .label = u"都道府県", .options = {u"選択", u"北海道", u"東京都", u"沖縄県"}},
                           {.label = u"市区町村・番地・建物名"}})),
            (V{u"#2", u"千代田区千代田1-1ABCビル 101"}));
  // An example that quotes the part of a whole address a box takes.
  EXPECT_EQ(received(page({{.rowHeader = u"住所1", .below = u"例）大阪府大阪市北区梅田2-4-9の場合、「大阪府大阪市北区梅田」"},
                           {.rowHeader = u"住所2", .below = u"例）大阪府大阪市北区梅田2-4-9の場合、「2-4-9」"}})),
            (V{u"東京都千代田区千代田", u"1-1 ABCビル 101"}));
}

TEST(RecogniserShapes, APostalMarkAndAUnitPromptSayWhatTheirBoxesTake) {
  // "現住所〒[   ]-[    ]": the mark nearest the boxes makes them the postal code's, not the address's.
  EXPECT_EQ(received(page({{.before = u"現住所〒", .after = u"-", .maxLength = 3}, {.before = u"-", .maxLength = 4}})),
            (V{u"100", u"0001"}));
  // A block "ご住所" over boxes labelled by their placeholders: each box's own word says its part.
  EXPECT_EQ(received(page({{.placeholder = u"〒（半角数字）", .block = u"ご住所"}, {.placeholder = u"都道府県"},
                           {.placeholder = u"市区町村"}, {.placeholder = u"番地"}, {.placeholder = u"建物名・部屋番号"}})),
            (V{u"100-0001", u"東京都", u"千代田区", u"千代田1-1", u"ABCビル 101"}));
  // Month and day lists whose first option names their unit, beside a year list under 生年月日.
  EXPECT_EQ(received(page({{.type = u"select", .options = {u"年", u"1979", u"1980"}, .selected = {0}, .block = u"生年月日"},
                           {.type = u"select", .options = {u"月", u"4", u"5"}, .selected = {0}},
                           {.type = u"select", .options = {u"--日--", u"14", u"15"}, .selected = {0}}})),
            (V{u"#2", u"#2", u"#2"}));
  // Alone, such lists are no one's birth date.
  EXPECT_EQ(received(page({{.type = u"select", .options = {u"月", u"4", u"5"}, .selected = {0}, .block = u"チェックイン"},
                           {.type = u"select", .options = {u"日", u"14", u"15"}, .selected = {0}}})),
            (V{u"-", u"-"}));
}

TEST(RecogniserChoices, ListsAndRadiosInTheirOwnWords) {
  // An occupation radio whose option joins two occupations; its own words are no label.
  EXPECT_EQ(received(page({{.type = u"radio", .rowHeader = u"ご職業", .label = u"会社員・公務員", .beside = u"会社員・公務員", .name = u"job"},
                           {.type = u"radio", .rowHeader = u"ご職業", .label = u"自営業", .beside = u"自営業", .name = u"job"}})),
            (V{u"checked", u"-"}));
  // Age brackets as buttons after their question on one line: the one bracket that holds the age.
  EXPECT_EQ(received(page({{.label = u"お名前"}, {.type = u"radio", .before = u"年代", .label = u"30代", .beside = u"30代", .name = u"gen"},
                           {.type = u"radio", .before = u"30代", .label = u"40代", .beside = u"40代", .name = u"gen"},
                           {.type = u"radio", .before = u"40代", .label = u"50代", .beside = u"50代", .name = u"gen"}})),
            (V{u"山田太郎", u"-", u"checked", u"-"}));
  // A short list of prefectures with its placeholder first.
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"住所", .options = {u"都道府県を選択", u"千葉県", u"東京都", u"神奈川県"}}})),
            (V{u"#2"}));
  // Era years with their unit.
  EXPECT_EQ(received(page({{.type = u"select", .rowHeader = u"生年月日", .options = {u"元号", u"昭和", u"平成"}},
                           {.type = u"select", .rowHeader = u"生年月日", .options = {u"--", u"54年", u"55年"}}})),
            (V{u"#1", u"#2"}));
}

}  // namespace
}  // namespace formix::fill
