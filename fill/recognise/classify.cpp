#include <algorithm>
#include <array>

#include "fill/recognise/slot.h"
#include "text/compare.h"
#include "text/japanese.h"

namespace formix::fill::recognition {

Kind kindOf(const ControlFacts& c) {
  if (c.tag == u"select") return c.type == u"select-multiple" ? Kind::Other : Kind::Select;
  if (c.tag == u"textarea") return Kind::TextArea;
  if (c.tag != u"input") return Kind::Other;
  static constexpr std::u16string_view kTexts[] = {u"text", u"email", u"tel", u"number", u"url", u""};
  for (std::u16string_view t : kTexts) {
    if (c.type == t) return Kind::Text;
  }
  if (c.type == u"radio") return Kind::Radio;
  if (c.type == u"date") return Kind::Date;
  return Kind::Other;
}

bool isTextLike(Kind k) { return k == Kind::Text || k == Kind::TextArea; }

std::u16string_view refusalText(Refusal r) {
  switch (r) {
    case Refusal::None: return u"";
    case Refusal::Password: return u"password";
    case Refusal::File: return u"file";
    case Refusal::Hidden: return u"hidden";
    case Refusal::SiteSearch: return u"site search";
    case Refusal::NotAField: return u"not a field Formix fills";
    case Refusal::FrameOfAnotherSite: return u"frame of another site";
    case Refusal::FrameNotVisible: return u"frame not visible";
    case Refusal::NotVisible: return u"not visible";
    case Refusal::HoneypotMarks: return u"hidden from the tab order or from assistive technology";
    case Refusal::Disabled: return u"disabled";
    case Refusal::ReadOnly: return u"read-only";
    case Refusal::TypedByUser: return u"typed by the user";
    case Refusal::HasAValue: return u"has a value";
    case Refusal::AnotherForm: return u"another form";
    case Refusal::LeftAlone: return u"left alone";
    case Refusal::LabelWord: return u"left alone";  // the slot's own word stands in the summary
    case Refusal::ReadingOfAnAddress: return u"reading of an address";
    case Refusal::LatinLetters: return u"Latin letters";
    case Refusal::MobileMailBesideMain: return u"a mobile's mail beside the main one";
    case Refusal::DeliveryAddress: return u"delivery address";
    case Refusal::MobileBesideLandline: return u"mobile beside a landline";
    case Refusal::SecondAddress: return u"a second address";
    case Refusal::SecondNumber: return u"a second number";
    case Refusal::OthersSection: return u"not the person's section";
    case Refusal::Period: return u"a period, not the birth date";
    case Refusal::SameItemAbove: return u"the same item is already filled above";
    case Refusal::DoesNotFit: return u"the value does not fit the box";
  }
  return u"";
}

// Why a control may not be written, or Refusal::None when it may.
Refusal refusalOf(const PageFacts& page, const FrameFacts& frame, const ControlFacts& c, Kind kind) {
  if (c.type == u"password") return Refusal::Password;
  if (c.type == u"file") return Refusal::File;
  if (c.type == u"hidden") return Refusal::Hidden;
  if (c.type == u"search") return Refusal::SiteSearch;
  if (kind == Kind::Other) return Refusal::NotAField;
  if (frame.origin != page.origin && !frame.sharedAutofill) return Refusal::FrameOfAnotherSite;
  if (!frame.visible) return Refusal::FrameNotVisible;
  if (!c.visible) return Refusal::NotVisible;
  // Visible yet kept out of the tab order or from assistive technology: a trap for robots.
  if (c.ariaHidden || c.tabIndex < 0) return Refusal::HoneypotMarks;
  if (!c.enabled) return Refusal::Disabled;
  if (!c.editable) return Refusal::ReadOnly;
  if (c.userEdited) return Refusal::TypedByUser;
  if ((isTextLike(kind) || kind == Kind::Date) && c.valueLength > 0) return Refusal::HasAValue;
  return Refusal::None;
}

// A list whose options are the prefectures ("北海道" … "沖縄県").
bool isPrefectureList(const std::vector<OptionFacts>& options) {
  bool north = false, south = false;
  for (const OptionFacts& o : options) {
    north |= o.text.find(u"北海道") != std::u16string::npos;
    south |= o.text.find(u"沖縄") != std::u16string::npos;
  }
  return north && south;
}

// A shorter list of prefectures ("千葉県", "東京都", "神奈川県"): names of three or four
// characters ending in 都, 道, 府 or 県, at least two of them.
bool namesPrefectures(const std::vector<OptionFacts>& options) {
  int names = 0;
  for (const OptionFacts& o : options) {
    const std::u16string& t = o.text;
    const bool name = (t.size() == 3 || t.size() == 4) && std::u16string_view(u"都道府県").find(t.back()) != std::u16string_view::npos &&
                      t != u"都道府県";
    names += name;
  }
  return names >= 2;
}

namespace {

bool isStrongTopic(const LabelHint& h) { return h.strong && h.topic != Topic::None; }

// A one-character word of a name's part ("姓", "セイ") or the mail's domain: it decides where it
// stands near the box, even before a strong word further away.
bool isNameWord(const LabelHint& h) {
  return h.topic == Topic::Name || h.topic == Topic::Kana || (h.topic == Topic::Mail && h.part == Part::Domain);
}

// Which part of a topic a source may name.
enum class PartFrom { Never, Own, Header };

// What one source of words may decide of a box. The table's order is the order in which the
// first source that says something wins, for a part and a script.
struct SourceRule {
  LabelSource source;
  int rank;             // the topic: the nearest strong word decides; kUnranked: never
  bool leave;           // a strong "leave it" word counts
  bool nameWord;        // a one-character name word decides at its rank
  bool weakWord;        // a weak word decides when no strong word anywhere does
  PartFrom part;
  bool script;          // the kana script of a name's reading
  bool reading;         // "フリガナ" makes a name box a reading box, "住所(ヨミ)" an address one left alone
  bool situation;       // Latin letters, a mobile's mail, a delivery address
  bool asks;            // full- or half-width, with or without hyphens
  bool confirm;         // "確認": a confirmation box
  bool choosesName;     // under one header over a name and its reading, its weak word says which
};

constexpr int kUnranked = 99;
// The order of the nearest strong words: the control's own words, the text before it on its line,
// the label block above it, its hints, its row's or group's header, its column's header. A word
// that says "leave it" counts too, except from a column's header: one column's "備考" heads a
// table of boxes.
constexpr SourceRule kSources[] = {
    // source                   rank       leave  name   weak   part              script reading situation asks  confirm chooses
    {LabelSource::Autocomplete, 0,         true,  true,  false, PartFrom::Own,    true,  true,  false,    false, false, false},
    {LabelSource::Own,          1,         true,  true,  true,  PartFrom::Own,    true,  true,  true,     true,  true,  true},
    {LabelSource::Aria,         1,         true,  true,  true,  PartFrom::Own,    true,  true,  true,     true,  true,  true},
    {LabelSource::Before,       2,         true,  true,  true,  PartFrom::Own,    true,  true,  true,     true,  true,  true},
    {LabelSource::Placeholder,  4,         true,  false, true,  PartFrom::Own,    true,  true,  true,     true,  true,  true},
    {LabelSource::Title,        4,         true,  false, true,  PartFrom::Own,    true,  true,  true,     true,  true,  false},
    {LabelSource::Row,          5,         true,  false, false, PartFrom::Header, true,  true,  true,     true,  true,  false},
    {LabelSource::Legend,       5,         true,  false, false, PartFrom::Header, true,  true,  true,     true,  true,  false},
    {LabelSource::Column,       6,         false, false, false, PartFrom::Never,  false, false, false,    false, false, false},
    {LabelSource::Block,        3,         true,  false, false, PartFrom::Never,  true,  true,  true,     false, false, false},
    {LabelSource::NameTokens,   kUnranked, false, false, false, PartFrom::Own,    true,  true,  false,    true,  true,  false},
    {LabelSource::IdTokens,     kUnranked, false, false, false, PartFrom::Own,    true,  true,  false,    true,  true,  false},
    {LabelSource::After,        kUnranked, false, false, false, PartFrom::Never,  false, false, false,    true,  false, false},
};
constexpr int kLastRank = 6;

// Where each source's words stand in the control's facts, and how they are read.
// The text on a box's line before it: a postal mark at its end stands nearest the box and says
// what it takes, whatever label stands before the mark ("現住所〒[   ]-[    ]").
LabelHint readBefore(std::u16string_view text) {
  std::u16string_view t = text;
  while (!t.empty() && (t.back() == u' ' || t.back() == u'\u3000')) t.remove_suffix(1);
  if (t.size() > 1 && t.back() == u'〒') return readLabel(u"〒");
  return readLabel(text);
}

struct SourceText {
  LabelSource source;
  std::u16string ControlFacts::*text;
  LabelHint (*read)(std::u16string_view);
};
constexpr SourceText kSourceTexts[] = {
    {LabelSource::Autocomplete, &ControlFacts::autocomplete, readAutocomplete},
    {LabelSource::Own, &ControlFacts::label, readLabel},
    {LabelSource::Aria, &ControlFacts::ariaLabel, readLabel},
    {LabelSource::Before, &ControlFacts::before, readBefore},
    {LabelSource::After, &ControlFacts::after, readLabel},
    {LabelSource::Row, &ControlFacts::rowHeader, readLabel},
    {LabelSource::Legend, &ControlFacts::legend, readLabel},
    {LabelSource::Placeholder, &ControlFacts::placeholder, readLabel},
    {LabelSource::Title, &ControlFacts::title, readLabel},
    {LabelSource::Column, &ControlFacts::columnHeader, readLabel},
    {LabelSource::Block, &ControlFacts::block, readLabel},
    {LabelSource::NameTokens, &ControlFacts::name, readTokens},
    {LabelSource::IdTokens, &ControlFacts::id, readTokens},
};

// Words a person reads beside the box beat the attributes only a program reads: a box labelled
// "お名前" whose autocomplete says given-name takes the whole name; a "ニックネーム" box whose
// autocomplete says street-address, or a "ひとこと" box whose aria-label says 電話番号, nothing.
// An aria-label a person reads too: the text of the heading the box sits under (a question's
// title that aria-labelledby names), or of its row's header.
bool ariaIsTitle(const ControlFacts& c) {
  return !c.ariaLabel.empty() && !c.sections.empty() && c.sections.back().starts_with(c.ariaLabel);
}
bool ariaShown(const ControlFacts& c) { return ariaIsTitle(c) || (!c.ariaLabel.empty() && c.rowHeader.starts_with(c.ariaLabel)); }

void visibleLabelWins(std::array<LabelHint, kLabelSources>& words, const ControlFacts& c) {
  auto at = [&](LabelSource source) -> LabelHint& { return words[static_cast<size_t>(source)]; };
  const LabelSource near[] = {LabelSource::Own, LabelSource::Before, LabelSource::Block};
  const bool named = std::any_of(std::begin(near), std::end(near), [&](LabelSource l) { return isStrongTopic(at(l)); });
  if (named) at(LabelSource::Autocomplete) = {};
  // A label of its own that names nothing Formix knows: the aria-label speaks for a program,
  // unless the page shows its words as the box's title (a note under the title is no label).
  const bool nothing = std::any_of(std::begin(near), std::end(near), [&](LabelSource l) { return at(l).present && at(l).topic == Topic::None; });
  if (named || (nothing && !ariaShown(c))) at(LabelSource::Aria) = {};
}

// Words of a history or a period ("入学", "卒業", "入社", "期間", "から"): year and month boxes
// among them are dates of that history, not the birth date.
constexpr std::u16string_view kPeriodWords[] = {u"入学", u"卒業", u"入社", u"退社", u"入職", u"退職", u"就職", u"在籍",
                                                u"期間", u"から", u"まで", u"修了", u"学歴", u"職歴", u"経歴", u"年度"};

bool saysPeriod(std::u16string_view words) {
  const text::FoldedText folded(words);
  return std::any_of(std::begin(kPeriodWords), std::end(kPeriodWords), [&](std::u16string_view w) { return folded.find(w) != text::npos; });
}

// The text starts with a unit of a number written after it: "年", "月", "日生", "歳）".
bool unitFirst(std::u16string_view text) {
  return !text.empty() && std::u16string_view(u"年月日歳才").find(text.front()) != std::u16string_view::npos;
}

bool isNumberedRow(std::u16string_view header) {
  return !header.empty() && std::all_of(header.begin(), header.end(), [](char16_t ch) { return text::isDigit(ch) || ch == u'.'; });
}

// Whether a box of this kind can take the topic: a text box is never the gender (a label block
// of a two-column layout may name the next row's choice).
bool takes(Kind kind, Topic topic) {
  return topic != Topic::Gender || kind == Kind::Select || kind == Kind::Radio;
}

// Every digit of the text is a full-width one, and there are three at least.
bool fullWidthDigits(std::u16string_view text) {
  int wide = 0;
  for (char16_t ch : text) {
    if (ch >= u'0' && ch <= u'9') return false;
    wide += ch >= u'０' && ch <= u'９';
  }
  return wide >= 3;
}

}  // namespace

int rankOf(LabelSource source) {
  for (const SourceRule& r : kSources) {
    if (r.source == source) return r.rank;
  }
  return kUnranked;
}

// Sets the slot's topic and part from its signals, most trusted first.
void classify(Slot& s) {
  const ControlFacts& c = *s.c;
  std::array<LabelHint, kLabelSources> words;
  auto at = [&](LabelSource source) -> LabelHint& { return words[static_cast<size_t>(source)]; };
  for (const SourceText& t : kSourceTexts) {
    // The shared header, as the row's or as the block's above, says the box's own item.
    const std::u16string& text = !s.rowItem.empty() && c.*t.text == c.rowHeader ? s.rowItem : c.*t.text;
    at(t.source) = s.guardianIsPerson ? t.read(asPersonsOwn(text, true)) : t.read(text);
  }
  // A radio button's own label and the texts on its line are its options' words ("会社員・公務
  // 員", "自営業"): the question stands in its row's or group's header.
  if (s.kind == Kind::Radio) at(LabelSource::Own) = at(LabelSource::Before) = at(LabelSource::After) = at(LabelSource::Aria) = {};
  visibleLabelWins(words, c);
  s.own = at(LabelSource::Own);
  s.before = at(LabelSource::Before);
  s.after = at(LabelSource::After);
  s.below = readLabel(c.below);
  s.row = at(LabelSource::Row);
  s.block = at(LabelSource::Block);
  s.tokens = at(LabelSource::NameTokens);
  s.hint = at(LabelSource::Placeholder).topic != Topic::None ? at(LabelSource::Placeholder) : at(LabelSource::Title);
  auto each = [&](auto allowed, auto&& body) {
    for (const SourceRule& r : kSources) {
      if (allowed(r) && body(r, at(r.source))) return;
    }
  };

  // The topic: rank by rank, the first strong word decides; a one-character name word of its own
  // ("姓", "セイ") beats any strong word further away: "住所" in the block above a "姓" box heads
  // the next section. Then the weak words of the box's own, its line and its hints; then its
  // name's and its id's tokens.
  const LabelHint* topicFrom = nullptr;
  for (int rank = 0; rank <= kLastRank && topicFrom == nullptr; ++rank) {
    auto decides = [&](auto test) {
      each([&](const SourceRule& r) { return r.rank == rank; },
           [&](const SourceRule& r, const LabelHint& h) { return test(r, h) && (topicFrom = &h, s.rank = rank, true); });
    };
    decides([&](const SourceRule& r, const LabelHint& h) {
      return isStrongTopic(h) && (h.topic != Topic::Leave || r.leave) && takes(s.kind, h.topic);
    });
    if (topicFrom == nullptr) decides([](const SourceRule& r, const LabelHint& h) { return r.nameWord && isNameWord(h); });
  }
  // "[  ]年[  ]月[  ]日生（満[  ]歳）": a unit stands after its box, so the unit before a box is the
  // box before's; the one after it says what the box takes.
  const bool unitAfter = unitFirst(c.after) && unitFirst(c.before) && at(LabelSource::After).topic != Topic::None &&
                         !at(LabelSource::After).strong;
  const bool unitDecides = unitAfter && !at(LabelSource::Own).present && !at(LabelSource::Aria).present &&
                           (topicFrom == nullptr || s.rank >= rankOf(LabelSource::Row) || !topicFrom->strong);
  if (unitDecides) {
    const bool sameTopic = topicFrom != nullptr && topicFrom->topic == at(LabelSource::After).topic;
    if (!sameTopic) topicFrom = &at(LabelSource::After), s.rank = kWeakWordRank;
  }
  if (topicFrom == nullptr) {
    each([](const SourceRule& r) { return r.weakWord; }, [&](const SourceRule&, const LabelHint& h) {
      return h.topic != Topic::None && (topicFrom = &h, s.rank = kWeakWordRank, true);
    });
  }
  if (topicFrom == nullptr) {
    each([](const SourceRule& r) { return r.source == LabelSource::NameTokens || r.source == LabelSource::IdTokens; },
         [&](const SourceRule&, const LabelHint& h) { return h.topic != Topic::None && (topicFrom = &h, true); });
    s.rank = kTokenRank;
  }
  // A header over an address's boxes ("ご住所") covers its postal code and prefecture: the box's
  // own words that name one of those say which part of the address it is.
  if (topicFrom != nullptr && topicFrom->topic == Topic::Address) {
    const auto from = static_cast<LabelSource>(topicFrom - &words[0]);
    if (from == LabelSource::Block || from == LabelSource::Row || from == LabelSource::Legend || from == LabelSource::Column) {
      for (LabelSource own : {LabelSource::Own, LabelSource::Aria, LabelSource::Before, LabelSource::Placeholder, LabelSource::Title}) {
        const LabelHint& h = at(own);
        if (h.strong && (h.topic == Topic::Postal || h.topic == Topic::Prefecture)) {
          topicFrom = &h;
          s.rank = rankOf(own);
          break;
        }
      }
    }
  }
  // A list with no words of its own whose first option names its unit ("月", "--日--") over
  // numbers: a part of a date, kept only beside a box a strong label names ("生年月日").
  LabelHint unitPrompt;
  if (topicFrom == nullptr && s.kind == Kind::Select && c.options.size() > 1 && !text::numbersIn(c.options[1].text).empty()) {
    std::u16string unit;
    for (char16_t ch : c.options.front().text) {
      if (ch != u'-' && ch != u' ' && ch != u'\u3000' && ch != u'―' && ch != u'ー') unit += ch;
    }
    if (unit == u"年" || unit == u"月" || unit == u"日") {
      unitPrompt = readLabel(unit);
      topicFrom = &unitPrompt;
      s.rank = kWeakWordRank;
    }
  }
  // A list of the prefectures is the prefecture, whatever its neighbours say ("住所",
  // "郵便番号検索"), unless its own label asks for another place ("希望勤務地", "建築予定地").
  const bool addressish = topicFrom == nullptr || topicFrom->topic == Topic::Address || topicFrom->topic == Topic::Prefecture;
  const bool ownLabelLeaves = topicFrom != nullptr && topicFrom->topic == Topic::Leave && topicFrom != &at(LabelSource::Block) &&
                              s.rank <= rankOf(LabelSource::Row);
  if (s.kind == Kind::Select && !ownLabelLeaves && (isPrefectureList(c.options) || (addressish && namesPrefectures(c.options)))) {
    s.topic = Topic::Prefecture;
    return;
  }
  // A one-character word ("年", "名") decides only where a strong label of its topic names the
  // group: the box's other sources, its headings or its name. "施設名" and a history's "年" are not
  // the person's name or birth year.
  if (topicFrom != nullptr && topicFrom->oneCharacter && !topicFrom->strong &&
      (topicFrom->topic == Topic::Name || topicFrom->topic == Topic::Kana || topicFrom->topic == Topic::Birth)) {
    auto sameTopic = [&](const LabelHint& h) {
      const bool names = (h.topic == Topic::Name || h.topic == Topic::Kana) && (topicFrom->topic == Topic::Name || topicFrom->topic == Topic::Kana);
      return names || h.topic == topicFrom->topic;
    };
    bool named = std::any_of(words.begin(), words.end(), [&](const LabelHint& h) {
      return (h.strong || &h == &at(LabelSource::NameTokens) || &h == &at(LabelSource::IdTokens)) && sameTopic(h);
    });
    for (const std::u16string& heading : c.sections) named |= sameTopic(readLabel(heading)) && readLabel(heading).strong;
    s.unsupported = !named;  // groupsOf keeps it only inside a group a strong label names
  }
  if (topicFrom == nullptr) return;
  s.topic = topicFrom->topic;
  // Year and month boxes of a history's rows ("入学", "卒業", rows numbered 1, 2, 3) are periods.
  if (s.topic == Topic::Birth) {
    const bool birthWord = std::any_of(words.begin(), words.end(), [](const LabelHint& h) { return h.strong && h.topic == Topic::Birth; });
    bool period = saysPeriod(c.rowHeader) || saysPeriod(c.columnHeader) || saysPeriod(c.before) || saysPeriod(c.after) ||
                  saysPeriod(c.label) || saysPeriod(c.block) || saysPeriod(c.legend) || isNumberedRow(c.rowHeader);
    if (!c.sections.empty()) period |= saysPeriod(c.sections.back());
    if (period && !birthWord) {
      s.topic = Topic::Leave;
      s.refusal = Refusal::Period;
      return;
    }
  }
  if (s.topic == Topic::Leave) {
    if (topicFrom->leaveWhy.empty()) {
      s.refusal = Refusal::LeftAlone;
    } else {
      s.refusal = Refusal::LabelWord;
      s.leaveWord = topicFrom->leaveWhy;
    }
    return;
  }

  // One header over a name's boxes and its reading's: the box's own word says which it is.
  if (topicFrom->twoLabels) {
    each([](const SourceRule& r) { return r.choosesName; }, [&](const SourceRule&, const LabelHint& h) {
      return !h.strong && (h.topic == Topic::Name || h.topic == Topic::Kana) && (s.topic = h.topic, true);
    });
  }
  // The reading of an address ("住所(ヨミ)") is nothing Formix keeps.
  if (s.topic == Topic::Address || s.topic == Topic::Prefecture) {
    bool reading = false;
    each([](const SourceRule& r) { return r.situation; }, [&](const SourceRule&, const LabelHint& h) { return reading = h.reading; });
    if (reading) {
      s.topic = Topic::Leave;
      s.refusal = Refusal::ReadingOfAnAddress;
      return;
    }
  }
  // A name label anywhere that says "reading" makes a name box a reading box.
  // Unless a header names the name and its reading apart ("お名前（全角） フリガナ（全角カナ）"):
  // then the box's own "姓" or "セイ" says which it is.
  const bool twoLabelsAround = at(LabelSource::Row).twoLabels || at(LabelSource::Legend).twoLabels || at(LabelSource::Block).twoLabels;
  if (s.topic == Topic::Name && !twoLabelsAround) {
    each([](const SourceRule& r) { return r.reading; }, [&](const SourceRule&, const LabelHint& h) {
      if (h.reading) s.topic = Topic::Kana;
      return false;
    });
  }
  auto compatible = [&](const LabelHint& h) {
    if (h.topic == s.topic) return true;
    const bool names = (h.topic == Topic::Name || h.topic == Topic::Kana) && (s.topic == Topic::Name || s.topic == Topic::Kana);
    const bool birth = h.topic == Topic::Birth && s.topic == Topic::Birth;
    return names || birth;
  };
  auto takePart = [&](const SourceRule&, const LabelHint& h) { return h.part != Part::None && compatible(h) && (s.part = h.part, true); };
  if (unitDecides && s.topic == Topic::Birth) {
    takePart(kSources[0], at(LabelSource::After));
  }
  if (s.part == Part::None) each([](const SourceRule& r) { return r.part == PartFrom::Own; }, takePart);
  // Year, month and day often stand after their boxes: "[    ] 年 [  ] 月".
  if (s.topic == Topic::Birth && s.part == Part::None && s.after.topic == Topic::Birth && !s.after.strong) s.part = s.after.part;
  if (s.part == Part::None) each([](const SourceRule& r) { return r.part == PartFrom::Header; }, takePart);
  each([](const SourceRule& r) { return r.script; }, [&](const SourceRule&, const LabelHint& h) {
    return h.script != Script::Unknown && (s.script = h.script, true);
  });
  // Latin letters of a name, a mobile's mail beside a main one, a delivery address beside the
  // person's own: nothing the profile holds as asked.
  each([](const SourceRule& r) { return r.situation; }, [&](const SourceRule&, const LabelHint& h) {
    s.roman |= h.roman;
    s.mobileMail |= h.mobile && s.topic == Topic::Mail;
    s.delivery |= h.delivery;
    return false;
  });
  if (s.roman && (s.topic == Topic::Name || s.topic == Topic::Kana || s.topic == Topic::Address)) {
    s.topic = Topic::Leave;
    s.refusal = Refusal::LatinLetters;
    return;
  }
  // A note under the box speaks for it when it asks for letters or digits in a width.
  const std::u16string note = text::foldText(c.below);
  if (note.find(u"数字") != std::u16string::npos || note.find(u"英字") != std::u16string::npos) {
    s.fullWidth |= s.below.fullWidth;
    s.halfWidth |= s.below.halfWidth;
  }
  // An example written in full-width digits ("例）１２３－４５６７") asks for them.
  if (!s.halfWidth && fullWidthDigits(c.placeholder)) s.fullWidth = true;
  // A note under the box asks for hyphens or none in any wording ("「-」は入れずに").
  const LabelHint asked = readNote(c.below);
  s.noHyphen |= asked.noHyphen;
  s.withHyphen |= asked.withHyphen;
  s.digitCounts |= asked.digitCounts;
  each([](const SourceRule& r) { return r.asks; }, [&](const SourceRule& r, const LabelHint& h) {
    s.confirm |= h.confirm && r.confirm;
    s.fullWidth |= h.fullWidth;
    s.halfWidth |= h.halfWidth;
    s.noHyphen |= h.noHyphen;
    s.withHyphen |= h.withHyphen;
    s.digitCounts |= h.digitCounts;
    return false;
  });
  // Between a question's title and its box, a block that names nothing is the question's note
  // ("半角数字、ハイフンなしでご記入ください"); elsewhere a block may be the box before's note.
  const LabelHint& block = at(LabelSource::Block);
  if (ariaIsTitle(c) && block.topic == Topic::None) {
    s.halfWidth |= block.halfWidth && !block.fullWidth;
    s.noHyphen |= block.noHyphen;
    s.withHyphen |= block.withHyphen;
    s.digitCounts |= block.digitCounts;
  }
  s.second = topicFrom->secondOfKind;
}

// ---- Groups: boxes that share one label ----

bool sameSection(const Slot& a, const Slot& b) {
  return a.c->sections == b.c->sections && a.c->form == b.c->form && a.frameIndex == b.frameIndex;
}

bool sameRow(const Slot& a, const Slot& b) {
  return a.c->rowHeader == b.c->rowHeader && a.c->legend == b.c->legend && sameSection(a, b);
}

bool isSeparator(std::u16string_view text) {
  return text.size() == 1 && text::isHyphen(text[0]);
}

// The label a box has of its own: its <label>, the block above it, or a placeholder that names
// a topic; "" when it has none.
struct OwnLabel {
  enum class From { None, Label, Block, Placeholder } from = From::None;
  std::u16string text;
};
OwnLabel ownLabelOf(const Slot& s) {
  if (!s.c->label.empty()) return {OwnLabel::From::Label, s.c->label};
  if (!s.c->block.empty()) return {OwnLabel::From::Block, s.c->block};
  if (s.hint.strong && !s.c->placeholder.empty()) return {OwnLabel::From::Placeholder, s.c->placeholder};
  return {};
}

// Two labels of the same kind that differ, or a box labelled by its placeholder beside one
// labelled otherwise. A <label> beside a block's text may say the same thing in other words.
bool labelsApart(const Slot& a, const Slot& b) {
  const OwnLabel la = ownLabelOf(a), lb = ownLabelOf(b);
  using From = OwnLabel::From;
  if (la.from == From::None || lb.from == From::None) return false;
  const bool placeholderBeside = (la.from == From::Placeholder) != (lb.from == From::Placeholder);
  if (!placeholderBeside && (la.from != lb.from || la.text == lb.text)) return false;
  const bool parts = a.own.part != Part::None || b.own.part != Part::None || a.hint.part != Part::None || b.hint.part != Part::None ||
                     a.before.part != Part::None || b.before.part != Part::None;
  return !parts;
}

bool groupable(Topic t) {
  return t == Topic::Name || t == Topic::Kana || t == Topic::Mail || t == Topic::Postal || t == Topic::Address ||
         t == Topic::Birth || t == Topic::Tel;
}

// Consecutive boxes of one topic under one label form a group.
// Two boxes side by side whose own labels are 姓 (or 氏) and 名, in either order: the two words
// together name the person's name, as a strong label above them would.
bool namePair(const Slot& a, const Slot& b) {
  auto whole = [](const Slot& s) { return text::foldText(s.c->label); };
  const std::u16string x = whole(a), y = whole(b);
  const bool family = x == u"姓" || x == u"氏", given = y == u"名";
  const bool familySecond = y == u"姓" || y == u"氏", givenFirst = x == u"名";
  return a.topic == Topic::Name && b.topic == Topic::Name && ((family && given) || (givenFirst && familySecond));
}

std::vector<std::vector<Slot*>> groupsOf(std::vector<Slot*>& slots) {
  std::vector<std::vector<Slot*>> groups;
  for (size_t k = 1; k < slots.size(); ++k) {
    if (slots[k - 1]->unsupported && slots[k]->unsupported && namePair(*slots[k - 1], *slots[k])) {
      slots[k - 1]->unsupported = slots[k]->unsupported = false;
    }
  }
  for (Slot* s : slots) {
    if (s->unsupported) {
      const Slot* before = s == slots.front() ? nullptr : *(std::find(slots.begin(), slots.end(), s) - 1);
      const bool named = !groups.empty() && groups.back().back() == before && before->topic == s->topic && sameRow(*before, *s) &&
                         std::any_of(groups.back().begin(), groups.back().end(), [](const Slot* g) { return !g->unsupported; });
      if (!named) s->topic = Topic::None, s->part = Part::None;
    }
    const bool unnamed = s->topic == Topic::None && isTextLike(s->kind);
    if ((!groupable(s->topic) && !unnamed) || s->kind == Kind::Radio) continue;
    if (!groups.empty()) {
      std::vector<Slot*>& last = groups.back();
      Slot* prev = last.back();
      const bool adjacent = prev == *(std::find(slots.begin(), slots.end(), s) - 1);
      // The lines of an address often stand in rows of their own ("市区町村", "番地", "建物名").
      bool joins = adjacent && prev->topic == s->topic &&
                   (sameRow(*prev, *s) || (s->topic == Topic::Address && prev->c->form == s->c->form && prev->owner == s->owner));
      // A box that a separator joins to the box before ("[   ] - [    ]") continues its value,
      // unless its own label says otherwise.
      const bool joined = isSeparator(prev->c->after) || isSeparator(s->c->before);
      if (adjacent && joined && !joins && s->rank >= rankOf(LabelSource::Row) && isTextLike(s->kind) && prev->c->form == s->c->form &&
          (prev->topic == Topic::Postal || prev->topic == Topic::Tel)) {
        s->topic = prev->topic;
        joins = true;
      }
      // Boxes with labels of their own that differ ("電話番号", "電話番号（サブ）"; a box labelled by
      // its placeholder beside one labelled above) are apart, unless the labels name parts.
      if (joins && s->topic != Topic::Address && !joined && labelsApart(*prev, *s)) joins = false;
      // A confirmation box of the mail starts its own group even under the same label.
      if (joins && s->topic == Topic::Mail && s->confirm && !prev->confirm && prev->part != Part::Local) joins = false;
      if (joins) {
        last.push_back(s);
        continue;
      }
    }
    if (!unnamed) groups.push_back({s});
  }
  return groups;
}

}  // namespace formix::fill::recognition
