// What the recogniser knows of one control while it works on a page, and its two halves:
// classify.cpp judges each control by its words and gathers the boxes that share a label;
// values/ gives each box (or group of boxes) its value from the profile, one file per topic.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fill/japanese_date.h"
#include "fill/page_facts.h"
#include "fill/profile.h"
#include "fill/recognise/label_words.h"
#include "fill/recognise/value_forms.h"

namespace formix::fill::recognition {

enum class Kind { Text, Select, Radio, TextArea, Date, Other };

// Where the words about a control stand, nearest first: its autocomplete attribute, its label
// and aria-label, the text before it on its line (and after it), its placeholder and title, its
// row's or group's header, its column's header, the label block above it, its name's and id's
// tokens. classify.cpp's table says what each may decide.
enum class LabelSource { Autocomplete, Own, Aria, Before, After, Placeholder, Title, Row, Legend, Column, Block, NameTokens, IdTokens };
inline constexpr size_t kLabelSources = 13;
// The rank of a topic that a weak word decided, and one that only a name's or id's tokens did.
inline constexpr int kWeakWordRank = 7;
inline constexpr int kTokenRank = 8;
// How near a source's words stand to the box, for the strong words that decide its topic.
int rankOf(LabelSource source);

// Why a control is not written, or why it is left alone.
enum class Refusal {
  None,
  // The control itself: nothing Formix may write.
  Password, File, Hidden, SiteSearch, NotAField, FrameOfAnotherSite, FrameNotVisible, NotVisible, HoneypotMarks, Disabled,
  ReadOnly, TypedByUser, HasAValue,
  // The page: it stands outside the form Formix fills.
  AnotherForm,
  // Its words: a person would leave it alone.
  LeftAlone, LabelWord, ReadingOfAnAddress, LatinLetters,
  // Its neighbours: another box takes the value.
  MobileMailBesideMain, DeliveryAddress, MobileBesideLandline, SecondAddress, SecondNumber,
  // Its place: a section about someone or something else, a period of a history, or an item
  // already filled above.
  OthersSection, Period, SameItemAbove,
  // The value: no form of it fits the box's length.
  DoesNotFit,
};
// The text of the summary table ("password", "not visible", ...); "" for None.
std::u16string_view refusalText(Refusal r);

// Whose details the headings above a control say it asks for.
enum class Owner { None, Own, Other, Except, Delivery };

// One control as the recogniser sees it.
struct Slot {
  const FrameFacts* frame = nullptr;
  const ControlFacts* c = nullptr;
  size_t frameIndex = 0;
  Kind kind = Kind::Other;
  bool eligible = false;      // may be written at all
  Refusal refusal = Refusal::None;  // why not, or why it is left alone
  std::u16string leaveWord;         // with Refusal::LabelWord: the word that said so
  Topic topic = Topic::None;
  Part part = Part::None;     // from the control's own words
  Script script = Script::Unknown;
  LabelHint own, before, after, below, row, hint, tokens, block;
  int rank = 99;              // how near its topic's words stand (rankOf their source, kWeakWordRank, kTokenRank)
  bool roman = false, mobileMail = false, delivery = false;
  bool confirm = false, fullWidth = false, halfWidth = false, noHyphen = false, withHyphen = false, second = false;
  uint32_t digitCounts = 0;   // bit n: its words ask for n digits ("7桁")
  bool unsupported = false;   // its topic rests on a one-character word ("年", "名") no strong label backs
  Owner owner = Owner::None;  // from the headings it sits under (readSections)
  std::u16string ownerWord;   // the heading's word that said so
  std::u16string rowItem;     // the item its row's header names for it alone ("FAX" of "TEL / FAX")
  bool guardianIsPerson = false;  // the form asks about the person's child: its "保護者" is the person
  int group = -1;             // the boxes filled together (a name's two, a date's three) share a number
  std::optional<ControlFill> fill;
};

Kind kindOf(const ControlFacts& c);
bool isTextLike(Kind k);
// Why a control may not be written, or Refusal::None when it may.
Refusal refusalOf(const PageFacts& page, const FrameFacts& frame, const ControlFacts& c, Kind kind);
// Sets the slot's topic and part from its signals, most trusted first.
void classify(Slot& s);
// The owner named by the innermost heading above the control that names one.
void readSections(Slot& s);
// Two boxes side by side under a header that names two items ("TEL / FAX"): each box's header
// is its own item.
void splitSharedHeaders(std::vector<Slot>& slots);
// Whether a heading of the page is about the person's child ("お子様の情報"): then the guardian
// ("保護者") the form asks for is the person.
bool guardianIsPerson(const PageFacts& page);
// The text with the word for a guardian blanked out when the guardian is the person, so that
// "保護者様のお名前" reads as the person's name; the text itself otherwise.
std::u16string asPersonsOwn(std::u16string text, bool guardianIsPerson);
// Each profile item fills one box or one group: the person's own section's, else the first.
void keepOnePlacePerItem(std::vector<Slot*>& visible);
// Consecutive boxes of one topic under one label form a group.
std::vector<std::vector<Slot*>> groupsOf(std::vector<Slot*>& slots);

void fillNames(std::vector<Slot*>& group, const Profile& profile);
void fillMails(std::vector<Slot*>& group, const Profile& profile);
void fillPostal(std::vector<Slot*>& group, const Profile& profile);
void fillTelephones(std::vector<Slot*>& group, const Profile& profile);
void fillBirth(std::vector<Slot*>& group, const Profile& profile);
void fillAddresses(std::vector<Slot*>& group, const Profile& profile, bool prefectureBox);
void fillPrefecture(Slot& s, const Profile& profile);
void fillGenderSelect(Slot& s, const Profile& profile);
void fillOccupation(Slot& s, const Profile& profile);
void fillAge(Slot& s, const Profile& profile, const CivilDate& today);
// Age radio buttons: the one bracket that holds the person's age ("40代").
void fillAgeRadios(std::vector<Slot*>& radios, const Profile& profile, const CivilDate& today);
// A list's option or a radio button's words that name the age or a bracket holding it.
bool namesAge(const std::u16string& foldedText, int age);
// Gender radio buttons: the one whose words (or value) name the profile's gender.
void fillGenderRadios(std::vector<Slot*>& radios, const Profile& profile);
// Occupation radio buttons: the one that names the profile's occupation ("会社員・公務員").
void fillOccupationRadios(std::vector<Slot*>& radios, const Profile& profile);
// A radio button that chooses the address beside it: "このメールアドレスでログインする".
bool isThisAddress(const std::u16string& words);
bool isGenderWord(const std::u16string& words);

}  // namespace formix::fill::recognition
