// The recogniser: what each control of a page of today's browsers asks for, and the profile value
// it receives. It works on the facts a browser tells about the controls (page_facts.h), never on
// markup, and it leaves a control alone unless it is sure: a control the user cannot see, cannot
// edit or has typed into, a password, card or company field, a FAX box, free text.
#pragma once

#include <string>
#include <vector>

#include "fill/profile.h"
#include "fill/japanese_date.h"
#include "fill/page_facts.h"

namespace formix::fill {

// What the recogniser made of one control.
struct Recognition {
  int64_t frame = 0;
  int control = 0;
  std::u16string item;   // the profile item it asks for ("family name (kanji)"); empty: none
  std::u16string reason; // why it is left alone, when it is ("password", "not visible", ...)
  bool filled = false;   // a fill for it is among the fills
};

struct RecognitionResult {
  std::vector<ControlFill> fills;          // what to change, in page order
  std::vector<Recognition> controls;       // every control of every frame looked at, in page order
};

RecognitionResult recognise(const PageFacts& page, const Profile& profile, const CivilDate& today);

}  // namespace formix::fill
