// Pages of controls described by what a person reads around them, for the recogniser's tests,
// and what each control received.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/profile_snapshot.h"
#include "fill/recognise/recogniser.h"
#include "text/utf.h"

namespace formix::fill {

inline const Profile& sampleProfile() {  // 山田太郎 やまだたろう, born 1980-05-15, male, 東京都, 会社員
  static const Profile profile =
      app::profileSnapshot(app::loadSettings(FORMIX_SOURCE_DIR "/examples/sample.ini").record);
  return profile;
}

// A control described by what a person reads around it.
struct C {
  std::u16string type = u"text";
  std::u16string rowHeader{}, before{}, label{}, placeholder{};
  std::vector<std::u16string> options{};  // lists: "text" or "text|value"
  std::u16string after{}, below{}, beside{}, value{};  // beside and value: radio buttons
  std::u16string name{};
  int maxLength = -1;
  bool visible = true, enabled = true, editable = true, userEdited = false, focused = false, checked = false;
  int form = 0;
  std::vector<int> selected = {};
  std::vector<std::u16string> sections = {};  // the headings above it, outermost first
  std::u16string block{}, autocomplete{}, aria{}, columnHeader{};
  std::u16string pattern{}, inputMode{};
};

inline ControlFacts facts(const C& c, int number) {
  ControlFacts f;
  f.control = number;
  const bool list = c.type == u"select";
  f.tag = list ? u"select" : c.type == u"textarea" ? u"textarea" : u"input";
  f.type = list ? u"select-one" : c.type;
  f.rowHeader = c.rowHeader;
  f.before = c.before;
  f.label = c.label;
  f.placeholder = c.placeholder;
  f.after = c.after;
  f.below = c.below;
  f.name = c.name;
  f.beside = c.beside;
  f.value = c.value;
  f.valueLength = static_cast<int>(c.value.size());
  f.maxLength = c.maxLength;
  f.visible = c.visible;
  f.enabled = c.enabled;
  f.editable = c.editable;
  f.userEdited = c.userEdited;
  f.focused = c.focused;
  f.checked = c.checked;
  f.form = c.form;
  f.sections = c.sections;
  f.block = c.block;
  f.autocomplete = c.autocomplete;
  f.ariaLabel = c.aria;
  f.columnHeader = c.columnHeader;
  f.pattern = c.pattern;
  f.inputMode = c.inputMode;
  for (size_t k = 0; k < c.options.size(); ++k) {
    const std::u16string& o = c.options[k];
    const size_t bar = o.find(u'|');  // "text|value"
    OptionFacts option{bar == std::u16string::npos ? o : o.substr(0, bar), bar == std::u16string::npos ? o : o.substr(bar + 1), false};
    option.selected = std::find(c.selected.begin(), c.selected.end(), static_cast<int>(k)) != c.selected.end();
    f.options.push_back(option);
  }
  return f;
}

inline PageFacts page(std::initializer_list<C> controls) {
  PageFacts p;
  p.origin = u"https://shop.example";
  FrameFacts top;
  top.origin = p.origin;
  int n = 0;
  for (const C& c : controls) top.controls.push_back(facts(c, n++));
  p.frames.push_back(top);
  return p;
}

// What each control received: its new text, "#k" for option k, "checked", or "-" when left alone.
inline std::vector<std::u16string> received(const PageFacts& p, const Profile& profile = sampleProfile()) {
  const RecognitionResult result = recognise(p, profile, {2025, 6, 1});
  std::vector<std::u16string> out;
  for (const FrameFacts& frame : p.frames) {
    for (const ControlFacts& c : frame.controls) {
      std::u16string got = u"-";
      for (const ControlFill& fill : result.fills) {
        if (fill.frame != frame.frame || fill.control != c.control) continue;
        if (fill.kind == ControlFill::Kind::Value) got = fill.value;
        if (fill.kind == ControlFill::Kind::Checked) got = u"checked";
        if (fill.kind == ControlFill::Kind::Option) got = u"#" + text::widen(std::to_string(fill.option));
      }
      out.push_back(got);
    }
  }
  return out;
}

// Each control's value in every form it is offered in, most wanted first, joined by "|"; "-"
// when it receives no text.
inline std::vector<std::u16string> offered(const PageFacts& p) {
  const RecognitionResult result = recognise(p, sampleProfile(), {2025, 6, 1});
  std::vector<std::u16string> out;
  for (const ControlFacts& c : p.frames.front().controls) {
    std::u16string got = u"-";
    for (const ControlFill& fill : result.fills) {
      if (fill.control != c.control || fill.kind != ControlFill::Kind::Value) continue;
      got = fill.value;
      for (const std::u16string& a : fill.alternatives) got += u"|" + a;
    }
    out.push_back(got);
  }
  return out;
}

using V = std::vector<std::u16string>;

}  // namespace formix::fill
