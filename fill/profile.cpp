#include "fill/profile.h"

#include "text/number.h"

namespace formix::fill {
namespace {

// A birth field as a whole number, as a 16-bit integer holds it.
std::optional<int> wholeInt(std::u16string_view field) {
  const auto number = text::wholeNumber(field);
  if (!number) return std::nullopt;
  const auto value = text::toInt16(*number);
  if (!value) return std::nullopt;
  return *value;
}

}  // namespace

void Profile::setBirth(std::u16string year, std::u16string month, std::u16string day) {
  birthTexts = {std::move(year), std::move(month), std::move(day)};
  const auto y = wholeInt(birthTexts[0]), m = wholeInt(birthTexts[1]), d = wholeInt(birthTexts[2]);
  birth = y && m && d && isValidDate(*y, *m, *d) ? std::optional(CivilDate{*y, *m, *d}) : std::nullopt;
}

std::u16string Profile::mail() const {
  return mailLocal.empty() || mailDomain.empty() ? u"" : mailLocal + u"@" + mailDomain;
}

Profile profileFromPanel(const std::array<std::u16string, 16>& txtAUTO, const std::array<std::u16string, 2>& cboAUTO,
                         bool maleSelected) {
  Profile p;
  p.familyName = txtAUTO[0];
  p.givenName = txtAUTO[1];
  p.familyKana = txtAUTO[2];
  p.givenKana = txtAUTO[3];
  p.mailLocal = txtAUTO[4];
  p.mailDomain = txtAUTO[5];
  p.postalFirst = txtAUTO[6];
  p.postalLast = txtAUTO[7];
  p.cityLine = txtAUTO[8];
  p.buildingLine = txtAUTO[9];
  p.setBirth(txtAUTO[10], txtAUTO[11], txtAUTO[12]);
  p.telephone = {txtAUTO[13], txtAUTO[14], txtAUTO[15]};
  p.prefecture = cboAUTO[0];
  p.occupation = cboAUTO[1];
  p.male = maleSelected;
  return p;
}

}  // namespace formix::fill
