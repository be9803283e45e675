#include "app/scramble.h"

#include <cmath>

#include "text/cp932.h"
#include "text/number.h"

namespace formix::app {
namespace {

constexpr uint16_t kMarkerBase = 0x0100;  // lead byte 0x01 leads no code page 932 character
constexpr uint16_t kMarkerLast = 0x0110;  // planes 0 to 16

void appendGroup(std::u16string& out, uint16_t code) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  const uint16_t v = code ^ kScrambleKey;
  out.push_back(kHex[v >> 12]);
  out.push_back(kHex[(v >> 8) & 0xF]);
  out.push_back(kHex[(v >> 4) & 0xF]);
  out.push_back(kHex[v & 0xF]);
}

// The hexadecimal digits at the start of a group, up to the first other character.
uint16_t readGroup(std::u16string_view group) {
  uint32_t value = 0;
  for (char16_t c : group) {
    int d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else break;
    value = value << 4 | static_cast<uint32_t>(d);
  }
  return static_cast<uint16_t>((value ^ kScrambleKey) & 0xFFFF);
}

void appendCodePoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    out.push_back(u'\uFFFD');
  }
}

}  // namespace

std::u16string sEncodeText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() * 4);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (auto code = text::cp932Code(unit)) {
      appendGroup(out, *code);
      continue;
    }
    char32_t cp = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    appendGroup(out, static_cast<uint16_t>(kMarkerBase + (cp >> 16)));
    appendGroup(out, static_cast<uint16_t>(cp & 0xFFFF));
  }
  return out;
}

std::u16string sDecodeText(std::u16string_view digits) {
  std::u16string out;
  const double count = text::roundHalfEven(static_cast<double>(digits.size()) / 4.0 - 1.0);
  if (count < 0) return out;
  const auto groups = static_cast<size_t>(count) + 1;
  out.reserve(groups);
  auto group = [&](size_t i) { return readGroup(digits.substr(std::min(4 * i, digits.size()), 4)); };
  for (size_t i = 0; i < groups; ++i) {
    const uint16_t code = group(i);
    if (code >= kMarkerBase && code <= kMarkerLast) {
      if (i + 1 < groups) {
        appendCodePoint(out, static_cast<char32_t>(code - kMarkerBase) << 16 | group(++i));
      } else {
        out.push_back(u'\uFFFD');
      }
      continue;
    }
    out.push_back(text::cp932Char(code).value_or(u'\uFFFD'));
  }
  return out;
}

}  // namespace formix::app
