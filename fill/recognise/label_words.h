// What the words of one label say: which profile topic a control asks for, which part of it, in
// which kana script, and whether the label tells Formix to leave the control alone.
//
// A label is judged by a table of words (label_words.cpp). Strong words name a topic on their own
// ("メールアドレス", "郵便番号", "FAX"); weak words are one or two characters that name a part of a
// topic ("姓", "セイ", "年", "番地") and count only where no strong word speaks. The nearest word
// to the start of the label wins among the strong ones: "携帯電話" is a mobile box, "電話番号（TEL
// または携帯）" a telephone box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace formix::fill::recognition {

enum class Topic {
  None,
  Leave,       // a box a person leaves alone (password, FAX, company, free text, ...)
  Mobile,      // a mobile telephone box: left alone when the form also asks for a landline
  Name,        // name in kanji
  Kana,        // reading of the name
  Mail,
  Postal,
  Prefecture,
  Address,     // city, street and building lines, or the whole address
  Birth,
  Age,
  Gender,
  Occupation,
  Tel,
};

enum class Part {
  None,
  Family, Given,
  Local, Domain, Confirm,
  City,            // 市区町村: the city, ward, town or village name alone
  Street,          // 番地 (or 町名 and 番地 together): the city line after the city's name
  Town,            // 町名: the town's name alone
  Number,          // 丁目・番地: the block and house numbers alone
  CityLine,        // 市区町村・番地: the whole city line
  StreetBuilding,  // 番地・ビル名: what follows the city's name, building included
  Building,        // 建物名・部屋番号
  AfterPrefecture, // everything after the prefecture
  PrefectureCity,  // 都道府県・市区町村: the prefecture and the city's name in one box
  Rest,            // それ以降の住所, 番地以降: whatever the boxes before it have not taken
  PrefectureCityLine, // the prefecture and the city line in one box, before a building's box
  WholeAddress,    // prefecture included
  Year, Month, Day, Era, EraYear,
  First, Second, Third,
};

enum class Script { Unknown, Hiragana, Katakana };

struct LabelHint {
  Topic topic = Topic::None;
  Part part = Part::None;
  Script script = Script::Unknown;  // the kana script the label itself is written in
  bool strong = false;              // the topic came from a strong word
  bool reading = false;             // a word for "reading" stands in the label (フリガナ, よみ, カナ)
  bool confirm = false;             // "確認", "再入力", "もう一度"
  bool fullWidth = false;           // the label asks for full-width characters (全角)
  bool halfWidth = false;           // ... or for half-width ones (半角)
  bool noHyphen = false;            // "ハイフンなし", "ハイフン不要", "-なし"
  bool withHyphen = false;          // "ハイフンあり", "ハイフン付き", "ハイフンを入れて"
  uint32_t digitCounts = 0;         // bit n: the label asks for n digits ("7桁", "10桁または11桁")
  bool present = false;             // the text was there (not empty)
  bool oneCharacter = false;        // the topic came from a one-character word alone ("年", "名", "姓")
  bool secondOfKind = false;        // a second box of its kind: "メールアドレス2", "予備の電話番号", "住所（サブ）"
  bool roman = false;               // the label asks for Latin letters (ローマ字, 英字, alphabet)
  bool mobile = false;              // "携帯" or "モバイル" stands in the label
  bool delivery = false;            // a delivery address's label (お届け先, 配送先, 送付先)
  bool twoLabels = false;           // a name's label and its reading's stand apart in one text
                                    // ("お名前（全角） フリガナ（全角カナ）"): each box's own words decide
  std::u16string leaveWhy;          // with Topic::Leave: the word that said so
};

// The hint of one label text (any letter case or width).
LabelHint readLabel(std::u16string_view label);

// What a note under a box asks of it (hyphens, width): its words up to the next box's label,
// which a note under a box often runs into.
LabelHint readNote(std::u16string_view note);

// The hint of a control's name or id: its tokens ("shimeiSeiKana" -> shimei, sei, kana;
// "entry[name][name01]" -> entry, name, name, 01) read against a table of the words developers use.
LabelHint readTokens(std::u16string_view nameOrId);

// What an autocomplete attribute asks for; Topic::None when it says nothing Formix knows.
LabelHint readAutocomplete(std::u16string_view autocomplete);

}  // namespace formix::fill::recognition
