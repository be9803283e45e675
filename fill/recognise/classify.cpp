#include <algorithm>

#include "fill/recognise/slot.h"
#include "text/compare.h"

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

// The reason a control may not be written, or "" when it may.
std::u16string refusal(const PageFacts& page, const FrameFacts& frame, const ControlFacts& c, Kind kind) {
  if (c.type == u"password") return u"password";
  if (c.type == u"file") return u"file";
  if (c.type == u"hidden") return u"hidden";
  if (c.type == u"search") return u"site search";
  if (kind == Kind::Other) return u"not a field Formix fills";
  if (frame.origin != page.origin && !frame.sharedAutofill) return u"frame of another site";
  if (!frame.visible) return u"frame not visible";
  if (!c.visible) return u"not visible";
  if (c.ariaHidden || c.tabIndex < 0) return u"hidden from the tab order or from assistive technology";
  if (!c.enabled) return u"disabled";
  if (!c.editable) return u"read-only";
  if (c.userEdited) return u"typed by the user";
  if ((isTextLike(kind) || kind == Kind::Date) && c.valueLength > 0) return u"has a value";
  return u"";
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

bool isStrongTopic(const LabelHint& h) { return h.strong && h.topic != Topic::None; }

// Sets the slot's topic and part from its signals, most trusted first.
void classify(Slot& s) {
  const ControlFacts& c = *s.c;
  LabelHint ac = readAutocomplete(c.autocomplete);
  s.own = readLabel(c.label);
  LabelHint aria = readLabel(c.ariaLabel);
  s.before = readLabel(c.before);
  s.after = readLabel(c.after);
  s.below = readLabel(c.below);
  s.row = readLabel(c.rowHeader);
  LabelHint legend = readLabel(c.legend);
  LabelHint placeholder = readLabel(c.placeholder);
  LabelHint title = readLabel(c.title);
  LabelHint column = readLabel(c.columnHeader);
  LabelHint block = readLabel(c.block);
  s.block = block;
  s.tokens = readTokens(c.name);
  LabelHint idTokens = readTokens(c.id);
  s.hint = placeholder.topic != Topic::None ? placeholder : title;

  // Where a label names a topic, nearest first: the control's own words, the text before it on
  // its line, the label block above it, its hints, then its row's or group's header and its
  // column's. The first strong word decides; a word that says "leave it" counts too, except
  // from a column's header. A one-character name word of its own ("姓", "セイ") beats any strong
  // word further away: "住所" in the block above a "姓" box heads the next section.
  const std::vector<std::vector<const LabelHint*>> tiers = {
      {&ac}, {&s.own, &aria}, {&s.before}, {&block}, {&placeholder, &title}, {&s.row, &legend}, {&column}};
  const LabelHint* topicFrom = nullptr;
  for (size_t tier = 0; tier < tiers.size() && topicFrom == nullptr; ++tier) {
    for (const LabelHint* h : tiers[tier]) {
      if (isStrongTopic(*h) && (h->topic != Topic::Leave || h != &column)) {
        topicFrom = h;
        s.tier = static_cast<int>(tier);
        break;
      }
    }
    if (topicFrom != nullptr || tier > 2) continue;
    for (const LabelHint* h : tiers[tier]) {
      const bool nameWord = h->topic == Topic::Name || h->topic == Topic::Kana || (h->topic == Topic::Mail && h->part == Part::Domain);
      if (nameWord) {
        topicFrom = h;
        s.tier = static_cast<int>(tier);
        break;
      }
    }
  }
  // Weak words of the box's own, its line and its hints.
  if (topicFrom == nullptr) {
    for (const LabelHint* h : {&s.own, &aria, &s.before, &placeholder, &title}) {
      if (h->topic != Topic::None) {
        topicFrom = h;
        s.tier = 7;
        break;
      }
    }
  }
  if (topicFrom == nullptr) {
    if (s.tokens.topic != Topic::None) topicFrom = &s.tokens;
    else if (idTokens.topic != Topic::None) topicFrom = &idTokens;
    s.tier = 8;
  }
  // A list of the prefectures is the prefecture, whatever its neighbours say ("住所",
  // "郵便番号検索").
  if (s.kind == Kind::Select && isPrefectureList(c.options)) {
    s.topic = Topic::Prefecture;
    return;
  }
  if (topicFrom == nullptr) return;
  s.topic = topicFrom->topic;
  if (s.topic == Topic::Leave) {
    s.reason = topicFrom->leaveWhy.empty() ? u"left alone" : topicFrom->leaveWhy;
    return;
  }

  // One header over a name's boxes and its reading's: the box's own word says which it is.
  if (topicFrom->twoLabels) {
    for (const LabelHint* h : {&s.own, &aria, &s.before, &placeholder}) {
      if (!h->strong && (h->topic == Topic::Name || h->topic == Topic::Kana)) {
        s.topic = h->topic;
        break;
      }
    }
  }
  // The reading of an address ("住所(ヨミ)") is nothing Formix keeps.
  if (s.topic == Topic::Address || s.topic == Topic::Prefecture) {
    for (const LabelHint* h : {&s.own, &aria, &s.before, &block, &placeholder, &title, &s.row, &legend}) {
      if (h->reading) {
        s.topic = Topic::Leave;
        s.reason = u"reading of an address";
        return;
      }
    }
  }
  const LabelHint* all[] = {&ac, &s.own, &aria, &s.before, &placeholder, &title, &s.row, &legend, &column, &block, &s.tokens, &idTokens};
  // A name label anywhere that says "reading" makes a name box a reading box.
  // Unless a header names the name and its reading apart ("お名前（全角） フリガナ（全角カナ）"):
  // then the box's own "姓" or "セイ" says which it is.
  const bool twoLabelsAround = s.row.twoLabels || legend.twoLabels || block.twoLabels;
  if (s.topic == Topic::Name && !twoLabelsAround) {
    for (const LabelHint* h : all) {
      if (h->reading && h != &column) s.topic = Topic::Kana;
    }
  }
  auto compatible = [&](const LabelHint& h) {
    if (h.topic == s.topic) return true;
    const bool names = (h.topic == Topic::Name || h.topic == Topic::Kana) && (s.topic == Topic::Name || s.topic == Topic::Kana);
    const bool birth = h.topic == Topic::Birth && s.topic == Topic::Birth;
    return names || birth;
  };
  for (const LabelHint* h : all) {
    if (h->part != Part::None && compatible(*h) && h != &s.row && h != &legend && h != &column && h != &block) {
      s.part = h->part;
      break;
    }
  }
  // Year, month and day often stand after their boxes: "[    ] 年 [  ] 月".
  if (s.topic == Topic::Birth && s.part == Part::None && s.after.topic == Topic::Birth && !s.after.strong) s.part = s.after.part;
  if (s.part == Part::None) {
    for (const LabelHint* h : {&s.row, &legend}) {
      if (h->part != Part::None && compatible(*h)) {
        s.part = h->part;
        break;
      }
    }
  }
  for (const LabelHint* h : all) {
    if (s.script == Script::Unknown && h->script != Script::Unknown && h != &column && h != &block) s.script = h->script;
  }
  // Latin letters of a name, a mobile's mail beside a main one, a delivery address beside the
  // person's own: nothing the profile holds as asked.
  for (const LabelHint* h : {&s.own, &aria, &s.before, &block, &placeholder, &title, &s.row, &legend}) {
    s.roman |= h->roman;
    s.mobileMail |= h->mobile && s.topic == Topic::Mail;
    s.delivery |= h->delivery;
  }
  if (s.roman && (s.topic == Topic::Name || s.topic == Topic::Kana || s.topic == Topic::Address)) {
    s.topic = Topic::Leave;
    s.reason = u"Latin letters";
    return;
  }
  const LabelHint* own[] = {&s.own, &aria, &s.before, &placeholder, &title, &s.row, &legend, &s.after, &s.tokens, &idTokens};
  // A note under the box speaks for it when it asks for letters or digits in a width.
  const std::u16string note = text::foldText(c.below);
  if (note.find(u"数字") != std::u16string::npos || note.find(u"英字") != std::u16string::npos) {
    s.fullWidth |= s.below.fullWidth;
    s.halfWidth |= s.below.halfWidth;
  }
  for (const LabelHint* h : own) {
    s.confirm |= h->confirm && h != &s.after;
    s.fullWidth |= h->fullWidth;
    s.halfWidth |= h->halfWidth;
    s.noHyphen |= h->noHyphen;
    s.withHyphen |= h->withHyphen;
  }
  s.second = topicFrom->secondOfKind;
}

// ---- Groups: boxes that share one label ----

bool sameRow(const Slot& a, const Slot& b) {
  return a.c->rowHeader == b.c->rowHeader && a.c->legend == b.c->legend && a.c->form == b.c->form &&
         a.frameIndex == b.frameIndex;
}

bool isSeparator(std::u16string_view text) {
  return text == u"-" || text == u"－" || text == u"ー" || text == u"‐" || text == u"−" || text == u"―";
}

bool groupable(Topic t) {
  return t == Topic::Name || t == Topic::Kana || t == Topic::Mail || t == Topic::Postal || t == Topic::Address ||
         t == Topic::Birth || t == Topic::Tel;
}

// Consecutive boxes of one topic under one label form a group.
std::vector<std::vector<Slot*>> groupsOf(std::vector<Slot*>& slots) {
  std::vector<std::vector<Slot*>> groups;
  for (Slot* s : slots) {
    const bool unnamed = s->topic == Topic::None && isTextLike(s->kind);
    if ((!groupable(s->topic) && !unnamed) || s->kind == Kind::Radio) continue;
    if (!groups.empty()) {
      std::vector<Slot*>& last = groups.back();
      Slot* prev = last.back();
      const bool adjacent = prev == *(std::find(slots.begin(), slots.end(), s) - 1);
      // The lines of an address often stand in rows of their own ("市区町村", "番地", "建物名").
      bool joins = adjacent && prev->topic == s->topic &&
                   (sameRow(*prev, *s) || (s->topic == Topic::Address && prev->c->form == s->c->form));
      // A box that a separator joins to the box before ("[   ] - [    ]") continues its value,
      // unless its own label says otherwise.
      const bool joined = isSeparator(prev->c->after) || isSeparator(s->c->before);
      if (adjacent && joined && !joins && s->tier >= 5 && isTextLike(s->kind) && prev->c->form == s->c->form &&
          (prev->topic == Topic::Postal || prev->topic == Topic::Tel)) {
        s->topic = prev->topic;
        joins = true;
      }
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
