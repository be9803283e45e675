// The value rules: what each recognised field receives, alone or split over neighbouring fields.
#include <gtest/gtest.h>

#include "app/profile_snapshot.h"
#include "fill/html/form_filler.h"
#include "text/utf.h"

namespace formix::fill {
namespace {

using Values = std::vector<std::u16string>;

const Profile& sampleProfile() {  // 山田太郎, born 1980-05-15, male, 東京都, 会社員
  static const Profile profile =
      app::profileSnapshot(app::loadSettings(FORMIX_SOURCE_DIR "/examples/sample.ini").record);
  return profile;
}

// What each collected field of a form body received ("-" when it was left alone).
Values received(std::u16string_view body, const Profile& profile = sampleProfile(),
                CivilDate today = {2025, 6, 1}) {
  Values out;
  for (const auto& record : fillForm(u"<FORM method=post>" + std::u16string(body), profile, today).fields.records) {
    out.push_back(record.changed ? record.value : u"-");
  }
  return out;
}

std::u16string filledBody(std::u16string_view body, const Profile& profile = sampleProfile()) {
  return sFillForm(u"<FORM >" + std::u16string(body), profile, {2025, 6, 1}).substr(7);
}

TEST(SplitValues, NamesAndReadingsFillOneOrTwoInputs) {
  EXPECT_EQ(received(u"お名前 姓<INPUT name=sei> 名<INPUT name=mei>"), (Values{u"山田", u"太郎"}));
  EXPECT_EQ(received(u"お名前 <INPUT name=name>"), (Values{u"山田太郎"}));
  EXPECT_EQ(received(u"フリガナ セイ<INPUT name=k1> メイ<INPUT name=k2>"), (Values{u"ヤマダ", u"タロウ"}));
  EXPECT_EQ(received(u"フリガナ <INPUT name=k>"), (Values{u"ヤマダタロウ"}));
  EXPECT_EQ(received(u"ふりがな <input type=\"text\" name=\"k\">"), (Values{u"やまだたろう"}));
}

TEST(SplitValues, MailPostalCodeAndTelephone) {
  EXPECT_EQ(received(u"メール <INPUT name=u> @ <INPUT name=d>"), (Values{u"taro.yamada", u"example.co.jp"}));
  EXPECT_EQ(received(u"E-MAIL <INPUT name=m>"), (Values{u"taro.yamada@example.co.jp"}));
  EXPECT_EQ(received(u"〒<INPUT name=z1>-<INPUT name=z2>"), (Values{u"100", u"0001"}));
  // The second postal input may carry no keyword of its own.
  EXPECT_EQ(received(u"郵便番号<INPUT name=z1 title=\"" + std::u16string(150, u'x') + u"\">-<INPUT name=z2>"),
            (Values{u"100", u"0001"}));
  EXPECT_EQ(received(u"郵便番号<INPUT name=zip>"), (Values{u"100-0001"}));
  EXPECT_EQ(received(u"TEL <INPUT name=t1>-<INPUT name=t2>-<INPUT name=t3>"), (Values{u"03", u"1234", u"5678"}));
  EXPECT_EQ(received(u"電話番号 <INPUT name=tel>"), (Values{u"03-1234-5678"}));
}

TEST(SplitValues, AnEmptyFirstTelephonePartWritesNothing) {
  Profile profile = sampleProfile();
  profile.telephone[0].clear();
  EXPECT_EQ(received(u"TEL <INPUT name=t1>-<INPUT name=t2>-<INPUT name=t3>", profile), (Values{u"-", u"-", u"-"}));
}

TEST(SplitValues, ASplitNeverWritesAnInputValueIntoAList) {
  const std::u16string body = u"電話 <INPUT name=t1><INPUT name=t2><SELECT name=s><OPTION>A<OPTION>B</SELECT>";
  EXPECT_EQ(filledBody(body), u"電話 <INPUT name=t1 value=\"03\"><INPUT name=t2 value=\"1234\">"
                              u"<SELECT name=s><OPTION>A<OPTION>B</SELECT>");
}

TEST(BirthDate, AGroupOfThreeGetsWesternOrShowaYearMonthAndDay) {
  EXPECT_EQ(received(u"生年月日 <INPUT name=y>年<INPUT name=m>月<INPUT name=d>日"), (Values{u"1980", u"5", u"15"}));
  EXPECT_EQ(received(u"生年月日 昭和<INPUT name=y>年<INPUT name=m>月<INPUT name=d>日"), (Values{u"55", u"5", u"15"}));
  EXPECT_EQ(received(u"生年月日 <INPUT name=ymd>"), (Values{u"-"}));
  Profile invalid = sampleProfile();
  invalid.setBirth(invalid.birthTexts[0], u"2", u"30");  // no such day: no era year, the rest of the group is still written
  EXPECT_EQ(received(u"生年月日 昭和<INPUT name=y>年<INPUT name=m>月<INPUT name=d>日", invalid), (Values{u"-", u"2", u"30"}));
}

TEST(BirthDate, YearMonthAndDayListsAreMarkedInOneVisitOfTheYearList) {
  std::u16string years;
  for (int y = 1940; y <= 2000; ++y) years += u"<OPTION>" + text::widen(std::to_string(y));
  EXPECT_EQ(received(u"生年月日 <SELECT name=y>" + years + u"</SELECT>年 <SELECT name=m><OPTION selected>--<OPTION>4<OPTION>5"
                     u"</SELECT>月 <SELECT name=d><OPTION>14<OPTION>15</SELECT>日"),
            (Values{u"1980", u"5", u"15"}));
  EXPECT_EQ(filledBody(u"誕生日 <select name=\"y\"><option value=\"54\">昭和54年</option><option value=\"55\">昭和55年</option>"
                       u"</select>年<select name=\"m\"><option value=\"5\">5月</option></select>"),
            u"誕生日 <select name=\"y\"><option value=\"54\">昭和54年</option><option value=\"55\" SELECTED>昭和55年</option>"
            u"</select>年<select name=\"m\"><option value=\"5\" SELECTED>5月</option></select>");
}

TEST(Address, APrefectureListFirstKeepsThePrefectureOutOfLaterAddressFields) {
  const std::u16string list = u"都道府県 <SELECT name=p><OPTION SELECTED>選択<OPTION>東京<OPTION>大阪</SELECT>";
  EXPECT_EQ(received(list + u" 住所 <INPUT name=a>"), (Values{u"東京", u"千代田区千代田1-1ABCビル 101"}));
  EXPECT_EQ(received(u"住所 <INPUT name=a> " + list), (Values{u"東京都千代田区千代田1-1ABCビル 101", u"東京"}));
  EXPECT_EQ(filledBody(list), u"都道府県 <SELECT name=p><OPTION >選択<OPTION SELECTED>東京<OPTION>大阪</SELECT>");
  Profile noPrefecture = sampleProfile();
  noPrefecture.prefecture.clear();
  EXPECT_EQ(received(list + u" 住所 <TEXTAREA name=a>前の内容</TEXTAREA>", noPrefecture),
            (Values{u"-", u"千代田区千代田1-1ABCビル 101"}));
}

TEST(Gender, TheProfilesButtonEndsCheckedAndTheOtherLosesItsMark) {
  EXPECT_EQ(filledBody(u"性別 <INPUT type=radio value=1 name=sex>男 <INPUT type=radio CHECKED value=2 name=sex>女"),
            u"性別 <INPUT type=radio value=1 name=sex CHECKED>男 <INPUT type=radio  value=2 name=sex>女");
  Profile female = sampleProfile();
  female.male = false;
  EXPECT_EQ(filledBody(u"性別 <input type=\"radio\" name=\"g\" value=\"male\" checked> <input type=\"radio\" name=\"g\" value=\"female\">",
                       female),
            u"性別 <input type=\"radio\" name=\"g\" value=\"male\" > <input type=\"radio\" name=\"g\" value=\"female\" CHECKED>");
}

TEST(Gender, AListIsMarkedOnlyWhenItOffersBothGenders) {
  EXPECT_EQ(received(u"性別 <SELECT name=s><OPTION>--<OPTION>男性<OPTION>女性</SELECT>"), (Values{u"男性"}));
  EXPECT_EQ(received(u"性別 <SELECT name=s><OPTION>男性<OPTION>その他</SELECT>"), (Values{u"-"}));
}

TEST(Age, CountsTheBirthdayAsReached) {
  EXPECT_EQ(received(u"年齢 <INPUT name=age>", sampleProfile(), {2025, 5, 15}), (Values{u"45"}));
  EXPECT_EQ(received(u"年齢 <INPUT name=age>", sampleProfile(), {2025, 5, 14}), (Values{u"44"}));
  EXPECT_EQ(received(u"年令 <SELECT name=a><OPTION>44<OPTION>45</SELECT>", sampleProfile(), {2025, 5, 15}), (Values{u"45"}));
  EXPECT_EQ(iGetAge(2000, 2, 29, {2025, 2, 28}), 24);
  EXPECT_EQ(iGetAge(2000, 2, 29, {2025, 3, 1}), 25);
  Profile unknown = sampleProfile();
  unknown.setBirth(u"", unknown.birthTexts[1], unknown.birthTexts[2]);
  EXPECT_EQ(received(u"年齢 <INPUT name=age>", unknown), (Values{u"-"}));
}

TEST(OtherFields, OccupationListAddressAreaAndPasswords) {
  EXPECT_EQ(received(u"ご職業 <SELECT name=j><OPTION>学生<OPTION>会社員</SELECT>"), (Values{u"会社員"}));
  EXPECT_EQ(filledBody(u"ご住所 <TEXTAREA name=a rows=3>ご自由に</TEXTAREA>"),
            u"ご住所 <TEXTAREA name=a rows=3>東京都千代田区千代田1-1ABCビル 101</TEXTAREA>");
  EXPECT_EQ(received(u"メールアドレス <INPUT name=m> パスワード <INPUT type=password name=p>"),
            (Values{u"taro.yamada@example.co.jp", u"-"}));
}

TEST(EraCalendar, EachEraCountsFromItsFirstDay) {
  EXPECT_EQ(eraNameAndYearText({1980, 5, 15}), u"昭和55");
  EXPECT_EQ(eraNameAndYearText({1989, 1, 7}), u"昭和64");
  EXPECT_EQ(eraNameAndYearText({1989, 1, 8}), u"平成1");
  EXPECT_EQ(eraNameAndYearText({2019, 4, 30}), u"平成31");
  EXPECT_EQ(eraNameAndYearText({2019, 5, 1}), u"令和1");
  EXPECT_EQ(eraNameAndYearText({1926, 12, 24}), u"大正15");
  EXPECT_EQ(eraNameAndYearText({1912, 7, 29}), u"明治45");
  EXPECT_EQ(eraYearText({1912, 7, 30}), u"1");
  EXPECT_EQ(eraYearText({1868, 1, 1}), u"1");
  EXPECT_EQ(eraYearText({1867, 12, 31}), std::nullopt);
  EXPECT_EQ(eraYearText({2023, 2, 29}), std::nullopt);
  EXPECT_EQ(parseIsoDate("2024-02-29"), (CivilDate{2024, 2, 29}));
  for (const auto bad : {"2023-02-29", "2024-2-29", "2024-02-29 ", "abcd-ef-gh", "2024/02/29"}) EXPECT_EQ(parseIsoDate(bad), std::nullopt);
}

}  // namespace
}  // namespace formix::fill
