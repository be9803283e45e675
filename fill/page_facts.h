// What a browser tells Formix about the form controls of one page, and what a fill asks the
// browser to change. The recogniser (recogniser.h) turns the first into the second; a browser
// bridge reads the facts from the live page and applies the fills control by control.
//
// Texts are as a person reads them: white space folded to single blanks and trimmed. Empty
// means "not there".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace formix::fill {

struct OptionFacts {
  std::u16string text;   // as shown
  std::u16string value;  // the value attribute (the text when there is none)
  bool selected = false;
};

struct ControlFacts {
  int control = 0;             // the control's number in its frame's read; fills name it
  std::u16string tag;          // "input", "select", "textarea"
  std::u16string type;         // lower case: an input's type ("text", "email", "radio", ...),
                               // "select-one", "select-multiple", "textarea"
  std::u16string name, id;
  std::u16string autocomplete; // the attribute, lower case
  std::u16string inputMode;
  int maxLength = -1;          // -1: not set
  int size = -1;               // -1: not set
  std::u16string pattern;
  std::u16string placeholder;
  std::u16string title;
  std::u16string ariaLabel;    // aria-label, else the text of the elements aria-labelledby names
  std::u16string label;        // the text of its <label> (by for= or enclosing), controls' texts left out

  // The label a person reads for it from the layout.
  std::u16string before;       // text just before it, back to the previous control or the start of its cell, item or line
  std::u16string after;        // text just after it, up to the next control or the end of its cell, item or line
  std::u16string rowHeader;    // the <th> (or first cell) of its row, the <dt> of its <dd>, the label column beside it
  std::u16string columnHeader; // the <th> above it in its table's column
  std::u16string legend;       // the <legend> of its fieldset
  std::u16string block;        // the text of the block just before the one that holds it (a heading, a label <div>)
  std::u16string below;        // the text of the blocks after the one that holds it, up to the next control: a note
                               // under a box or a group ("「英数字」は全角で入力してください"); empty when a
                               // control follows on its own line
  std::u16string beside;       // radio buttons and check boxes: the text beside it (its own label)

  std::u16string value;        // lists: the chosen option's value; radio buttons and check boxes: the value
                               // attribute; boxes: empty (what a person typed stays in the page)
  int valueLength = 0;         // boxes: the length of the text in it (UTF-16 units)
  bool checked = false;        // radio buttons and check boxes
  bool userEdited = false;     // its value (or check, or selection) differs from what the page loaded with
  bool visible = true;         // the user can see it
  bool enabled = true;
  bool editable = true;        // not read-only
  bool focused = false;        // it holds the keyboard focus
  bool ariaHidden = false;     // it or an ancestor is aria-hidden="true"
  int tabIndex = 0;            // -1: out of the tab order
  int form = -1;               // its form among the frame's forms (document order); -1: in no form
  // The headings it sits under, outermost first: headings h1-h6 and text styled as one, a table's
  // caption, a fieldset's legend, a header cell spanning its rows. They tell whose details the
  // control asks for (the applicant's own, a companion's, a delivery address, a career history).
  std::vector<std::u16string> sections;
  std::vector<OptionFacts> options;  // lists
};

struct FrameFacts {
  int64_t frame = 0;           // the browser's frame id; 0 is the top document
  std::u16string origin;       // "https://example.org"; "null" for opaque origins
  bool sharedAutofill = false; // its frame element allows "shared-autofill"
  bool visible = true;         // its frame element (and every frame element above it) can be seen
  std::vector<ControlFacts> controls;  // in reading order
  std::u16string dropped;      // why its controls were left out (too many); empty when they were not
};

struct PageFacts {
  std::u16string origin;       // the top document's
  std::vector<FrameFacts> frames;
  int framesDropped = 0;       // frames after the last of `frames` left out (too many)
};

// One change to a control of a page.
struct ControlFill {
  enum class Kind { Value, Checked, Option };
  int64_t frame = 0;
  int control = 0;
  Kind kind = Kind::Value;
  std::u16string value;        // Value: the new text (inputs and text areas)
  int option = -1;             // Option: the index among the list's options
  std::u16string item;         // what profile item it receives, for reports ("family name")
  // Value: the same value in the further forms the box may accept, to be tried in this order when
  // the box's own rules (its length, pattern or type) refuse `value`: without or with hyphens,
  // in the other width, zero-padded. A box that refuses them all is left as it was.
  std::vector<std::u16string> alternatives;
};

}  // namespace formix::fill
