// The scrambling of text values in the settings file.
//
// Each character becomes four upper-case hexadecimal digits: its code page 932 code XOR 0x5E27.
// A character with no form in code page 932 (an emoji, a rare ideograph, a lone surrogate) would
// otherwise be lost, so it is written as two groups: a marker 0x0100 + (code point >> 16) and then
// the low 16 bits of the code point. No code page 932 character has a lead byte of 0x01, so the
// marker never stands for a character, and every text made only of code page 932 characters is
// scrambled exactly as before.
#pragma once

#include <string>
#include <string_view>

namespace formix::app {

inline constexpr char16_t kScrambleKey = 0x5E27;

std::u16string sEncodeText(std::u16string_view text);

// Groups are read as "count = round-half-even(length / 4 - 1)", so trailing digits that do not
// fill a group may be ignored. A group that is no character decodes to U+FFFD.
std::u16string sDecodeText(std::u16string_view digits);

}  // namespace formix::app
