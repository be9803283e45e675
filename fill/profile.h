// The profile a fill writes, item by item: what the profile panel holds, by name. Both engines
// read it; it is built once per fill, from the settings record or from the panel's controls.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "fill/japanese_date.h"

namespace formix::fill {

struct Profile {
  std::u16string familyName, givenName;  // in kanji
  std::u16string familyKana, givenKana;  // the reading, in hiragana as typed
  std::u16string mailLocal, mailDomain;  // the mail address before and after the at sign
  std::u16string postalFirst, postalLast;  // the postal code's three and four digits
  std::u16string prefecture;
  std::u16string cityLine;      // city, town and numbers: "千代田区千代田1-1"
  std::u16string buildingLine;  // building and room: "ABCビル 101"
  std::u16string occupation;
  std::array<std::u16string, 3> telephone;  // the number in its three parts
  bool male = true;

  // The birth year (Western calendar), month and day as typed, and the day they name: only
  // whole numbers (16-bit, rounded half to even) naming a real day (isValidDate) count.
  std::array<std::u16string, 3> birthTexts;
  std::optional<CivilDate> birth;
  void setBirth(std::u16string year, std::u16string month, std::u16string day);

  // "local@domain", or "" when either half is missing.
  std::u16string mail() const;
};

// The profile from the panel's controls in their order: txtAUTO(0..15) (family and given name,
// their reading, the mail's two halves, the postal code's two halves, the city and building lines,
// birth year, month and day, the telephone's three parts), cboAUTO(0..1) (prefecture, occupation)
// and whether optAUTO(0) "男" is the selected gender.
Profile profileFromPanel(const std::array<std::u16string, 16>& txtAUTO, const std::array<std::u16string, 2>& cboAUTO,
                         bool maleSelected);

}  // namespace formix::fill
