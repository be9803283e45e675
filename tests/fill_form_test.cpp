// The form filler: which fields a page yields and how their new texts go back into it.
#include <gtest/gtest.h>

#include "app/profile_snapshot.h"
#include "fill/html/form_filler.h"

namespace formix::fill {
namespace {

const Profile& sampleProfile() {
  static const Profile profile =
      app::profileSnapshot(app::loadSettings(FORMIX_SOURCE_DIR "/examples/sample.ini").record);
  return profile;
}

std::u16string filled(std::u16string_view html, const Profile& profile = sampleProfile()) {
  return sFillForm(html, profile, CivilDate{2025, 6, 1});
}

size_t count(std::u16string_view text, std::u16string_view word) {
  size_t n = 0;
  for (size_t at = text.find(word); at != std::u16string_view::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

TEST(FormScan, APageWithoutAFormComesBackUnchanged) {
  for (const auto page : {u"", u"氏名 <INPUT name=n>", u"<FORM>氏名 <INPUT name=n></FORM>", u"<FORM\n>氏名 <INPUT name=n>"}) {
    EXPECT_EQ(filled(page), page);
  }
}

TEST(FormScan, FieldsBeforeTheFirstFormStayLaterFormsAreFilled) {
  EXPECT_EQ(filled(u"氏名 <INPUT name=a><FORM action=/a>氏名 <INPUT name=b></FORM><FORM action=/b>職業 <INPUT name=c></FORM>"),
            u"氏名 <INPUT name=a><FORM action=/a>氏名 <INPUT name=b value=\"山田太郎\"></FORM>"
            u"<FORM action=/b>職業 <INPUT name=c value=\"会社員\"></FORM>");
}

TEST(FormScan, ModernLowerCaseMarkupNeedsABlankAfterTheTagName) {
  EXPECT_EQ(filled(u"<form method=\"post\"><label>氏名</label><input type=\"text\" name=\"n\" />"
                   u"<label>職業</label><input\nname=\"j\"><label>職業</label><select\tname=\"s\"></select></form>"),
            u"<form method=\"post\"><label>氏名</label><input type=\"text\" name=\"n\" / value=\"山田太郎\">"
            u"<label>職業</label><input\nname=\"j\"><label>職業</label><select\tname=\"s\"></select></form>");
}

TEST(FormScan, SkipsButtonsCheckboxesAndHiddenFieldsEvenWhenOnlyTheNameSaysSo) {
  const auto result = fillForm(u"<FORM >メール <INPUT type=hidden name=m><INPUT name=reset_mail><INPUT type=CHECKBOX name=c>"
                               u"<input type=\"submit\"><INPUT type=image name=i><INPUT name=radio_mail>",
                               sampleProfile(), {2025, 6, 1});
  ASSERT_EQ(result.fields.records.size(), 2u);
  EXPECT_EQ(result.fields.records[0].tagText, u"<INPUT type=image name=i>");  // any other type is text-like
  EXPECT_EQ(result.fields.records[0].fieldCode, 104);
  EXPECT_EQ(result.fields.records[1].fieldCode, 204);  // "radio" anywhere makes a radio button
}

TEST(FormScan, UnclosedElementsAreLeftAlone) {
  for (const auto page : {u"<FORM >職業 <INPUT name=j", u"<FORM >職業 <SELECT name=j><OPTION>会社員",
                          u"<FORM >住所 <TEXTAREA name=a>", u"<FORM >住所 <TEXTAREA </TEXTAREA>"}) {
    EXPECT_EQ(filled(page), page);
  }
}

TEST(FormScan, TheLabelWindowIsThe150CharactersBeforeTheField) {
  const std::u16string gap148(148, u'x');
  EXPECT_EQ(count(filled(u"<FORM >職" + gap148 + u"<INPUT name=j>"), u"会社員"), 1u);       // position 149
  EXPECT_EQ(count(filled(u"<FORM >職x" + gap148 + u"<INPUT name=j>"), u"会社員"), 0u);      // position 150
  EXPECT_EQ(count(filled(u"<FORM >職" + gap148 + u"  <INPUT name=j>"), u"会社員"), 0u);     // blanks fill the window too
  EXPECT_EQ(count(filled(u"<FORM >職<INPUT name=j>"), u"会社員"), 1u);  // fewer than 150 before the field
}

TEST(FormScan, CollectsAtMost1001Fields) {
  std::u16string page = u"<FORM method=post>";
  for (int i = 0; i < 1002; ++i) page += u"職業<INPUT size=10>";
  const auto result = fillForm(page, sampleProfile(), {2025, 6, 1});
  EXPECT_EQ(result.fields.records.size(), kFieldCapacity);
  EXPECT_EQ(count(result.html, u"value=\"会社員\""), 1001u);
  EXPECT_TRUE(result.html.ends_with(u"職業<INPUT size=10 value=\"会社員\">職業<INPUT size=10>"));
}

TEST(FillFaultsMended, ValuesAreQuotedAndEscaped) {
  Profile profile = sampleProfile();
  profile.familyName = u"A&B\"><script>";
  profile.givenName = u"";
  EXPECT_EQ(filled(u"<FORM >住所 <INPUT name=a1> <INPUT name=a2>"),
            u"<FORM >住所 <INPUT name=a1 value=\"東京都千代田区千代田1-1\"> <INPUT name=a2 value=\"ABCビル 101\">");
  EXPECT_EQ(filled(u"<FORM >氏名 <INPUT name=n>", profile),
            u"<FORM >氏名 <INPUT name=n value=\"A&amp;B&quot;&gt;&lt;script&gt;\">");
  profile.buildingLine = u"<B>\"1\"";
  EXPECT_EQ(filled(u"<FORM >住所 <TEXTAREA name=a>old</TEXTAREA>", profile),
            u"<FORM >住所 <TEXTAREA name=a>東京都千代田区千代田1-1&lt;B&gt;\"1\"</TEXTAREA>");
}

TEST(FillFaultsMended, RepeatedBareTagsEachGetTheirOwnValue) {
  // The first field has no label and stays as it is; the value goes to the second, identical tag.
  EXPECT_EQ(filled(u"<FORM >ID <INPUT size=20><BR>" + std::u16string(150, u'-') + u"職業 <INPUT size=20>"),
            u"<FORM >ID <INPUT size=20><BR>" + std::u16string(150, u'-') + u"職業 <INPUT size=20 value=\"会社員\">");
  EXPECT_EQ(filled(u"<FORM >お名前 <INPUT size=20><INPUT size=20>"),
            u"<FORM >お名前 <INPUT size=20 value=\"山田\"><INPUT size=20 value=\"太郎\">");
}

TEST(FormScan, YieldsWhileItWorks) {
  int yields = 0;
  std::u16string page = u"<FORM >" + std::u16string(5000, u' ') + u"職業 <INPUT name=a>";
  sFillForm(page, sampleProfile(), {2025, 6, 1}, [&] { ++yields; });
  EXPECT_GE(yields, 4 + 3);  // every 1024 scanned characters, then once per field in steps 2, 3, 4
}

}  // namespace
}  // namespace formix::fill
