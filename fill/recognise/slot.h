// What the recogniser knows of one control while it works on a page, and its two halves:
// classify.cpp judges each control by its words and gathers the boxes that share a label;
// box_values.cpp gives each box (or group of boxes) its value from the profile.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fill/field_table.h"
#include "fill/japanese_date.h"
#include "fill/page_facts.h"
#include "fill/recognise/label_words.h"
#include "fill/recognise/value_forms.h"
#include "fill/value_rules.h"
#include "text/number.h"

namespace formix::fill::recognition {

enum class Kind { Text, Select, Radio, TextArea, Date, Other };

// One control as the recogniser sees it.
struct Slot {
  const FrameFacts* frame = nullptr;
  const ControlFacts* c = nullptr;
  size_t frameIndex = 0;
  Kind kind = Kind::Other;
  bool eligible = false;      // may be written at all
  std::u16string reason;      // why not, or why it is left alone
  Topic topic = Topic::None;
  Part part = Part::None;     // from the control's own words
  Script script = Script::Unknown;
  LabelHint own, before, after, below, row, hint, tokens, block;
  int tier = 99;              // how near its topic's label stands (0: autocomplete ... 6: column header, 8: name tokens)
  bool roman = false, mobileMail = false, delivery = false;
  bool confirm = false, fullWidth = false, halfWidth = false, noHyphen = false, withHyphen = false, second = false;
  std::optional<ControlFill> fill;
};

// The profile as the values need it.
struct Profile {
  const ProfileSnapshot& p;
  CivilDate today;
  std::u16string family() const { return p.txtAUTO[0]; }
  std::u16string given() const { return p.txtAUTO[1]; }
  std::u16string kana(int i, Script script) const {
    return script == Script::Hiragana ? p.txtAUTO[i] : toKatakana(p.txtAUTO[i]);
  }
  std::u16string mail() const {
    return p.txtAUTO[4].empty() || p.txtAUTO[5].empty() ? u"" : p.txtAUTO[4] + u"@" + p.txtAUTO[5];
  }
  std::optional<CivilDate> birth() const {
    const auto y = text::wholeNumber(p.txtAUTO[10]), m = text::wholeNumber(p.txtAUTO[11]), d = text::wholeNumber(p.txtAUTO[12]);
    if (!y || !m || !d) return std::nullopt;
    const CivilDate date{static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d)};
    if (!isValidDate(date.year, date.month, date.day)) return std::nullopt;
    return date;
  }
  std::u16string pref() const { return p.cboAUTO[0]; }
  std::u16string occupation() const { return p.cboAUTO[1]; }
  CityLine city() const { return splitCityLine(p.txtAUTO[8]); }
};

Kind kindOf(const ControlFacts& c);
bool isTextLike(Kind k);
// The reason a control may not be written, or "" when it may.
std::u16string refusal(const PageFacts& page, const FrameFacts& frame, const ControlFacts& c, Kind kind);
// Sets the slot's topic and part from its signals, most trusted first.
void classify(Slot& s);
// Consecutive boxes of one topic under one label form a group.
std::vector<std::vector<Slot*>> groupsOf(std::vector<Slot*>& slots);

std::u16string number(long n);

void fillNames(std::vector<Slot*>& group, const Profile& profile);
void fillMails(std::vector<Slot*>& group, const Profile& profile);
void fillPostal(std::vector<Slot*>& group, const Profile& profile);
void fillTelephones(std::vector<Slot*>& group, const Profile& profile);
void fillBirth(std::vector<Slot*>& group, const Profile& profile);
void fillAddresses(std::vector<Slot*>& group, const Profile& profile, bool prefectureBox);
void fillPrefecture(Slot& s, const Profile& profile);
void fillGenderSelect(Slot& s, const Profile& profile);
void fillOccupation(Slot& s, const Profile& profile);
void fillAge(Slot& s, const Profile& profile);
// Gender radio buttons: the one whose words (or value) name the profile's gender.
void fillGenderRadios(std::vector<Slot*>& radios, const Profile& profile);
// A radio button that chooses the address beside it: "このメールアドレスでログインする".
bool isThisAddress(const std::u16string& words);
bool isGenderWord(const std::u16string& words);

}  // namespace formix::fill::recognition
