#include "text/number.h"

#include "text/utf.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace formix::text {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

constexpr double kUnreadable = std::numeric_limits<double>::infinity();

// Reads "&H..." at `i` (which points at '&'); advances `i` past the digits.
double readHex(std::u16string_view s, size_t& i) {
  i += 2;
  uint64_t value = 0;
  int digits = 0;
  int significant = 0;
  for (; i < s.size() && hexValue(s[i]) >= 0; ++i) {
    value = (value << 4) | static_cast<uint64_t>(hexValue(s[i]));
    ++digits;
    if (value != 0) ++significant;
    if (significant > 8) value &= 0xFFFFFFFFFULL;  // keep the shift from overflowing
  }
  if (significant > 8) return kUnreadable;
  if (digits <= 4) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// Reads a decimal number at `i`; returns nullopt (and leaves `i`) when no digit is there.
std::optional<double> readDecimal(std::u16string_view s, size_t& i) {
  std::string ascii;
  size_t j = i;
  if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ascii.push_back(static_cast<char>(s[j++]));
  bool anyDigit = false;
  for (; j < s.size() && isDigit(s[j]); ++j) ascii.push_back(static_cast<char>(s[j])), anyDigit = true;
  if (j < s.size() && s[j] == u'.') {
    ascii.push_back('.');
    for (++j; j < s.size() && isDigit(s[j]); ++j) ascii.push_back(static_cast<char>(s[j])), anyDigit = true;
  }
  if (!anyDigit) return std::nullopt;
  if (j < s.size() && (s[j] == u'e' || s[j] == u'E' || s[j] == u'd' || s[j] == u'D')) {
    size_t k = j + 1;
    std::string exponent = "e";
    if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) exponent.push_back(static_cast<char>(s[k++]));
    if (k < s.size() && isDigit(s[k])) {
      for (; k < s.size() && isDigit(s[k]); ++k) exponent.push_back(static_cast<char>(s[k]));
      ascii += exponent;
      j = k;
    }
  }
  i = j;
  const char* first = ascii.data();
  if (*first == '+') ++first;
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, ascii.data() + ascii.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // from_chars reports both overflow and underflow; tell them apart by the exponent's sign.
    const bool tiny = ascii.find("e-") != std::string::npos;
    if (tiny) return 0.0;
    return ascii[0] == '-' ? -kUnreadable : kUnreadable;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

template <typename Int>
std::optional<Int> toInt(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = roundHalfEven(value);
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max())) {
    return std::nullopt;
  }
  return static_cast<Int>(r);
}

}  // namespace

double leadingNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i + 1 < text.size() && text[i] == u'&' && (text[i + 1] == u'H' || text[i + 1] == u'h')) {
    return readHex(text, i);
  }
  return readDecimal(text, i).value_or(0.0);
}

std::optional<double> wholeNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  std::optional<double> value;
  if (i + 1 < text.size() && text[i] == u'&' && (text[i + 1] == u'H' || text[i + 1] == u'h')) {
    const size_t start = i;
    value = readHex(text, i);
    if (i == start + 2) return std::nullopt;  // "&H" without digits
  } else {
    value = readDecimal(text, i);
  }
  if (!value) return std::nullopt;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  return value;
}

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::optional<int16_t> toInt16(double value) { return toInt<int16_t>(value); }
std::optional<int32_t> toInt32(double value) { return toInt<int32_t>(value); }

std::string formatSingle(float value) {
  if (value == 0) return "0";
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  char buf[32];
  // Seven significant digits, as a single-precision value shows.
  std::snprintf(buf, sizeof buf, "%.6E", static_cast<double>(value));
  std::string mantissa(buf, std::strchr(buf, 'E'));
  const int exponent = std::atoi(std::strchr(buf, 'E') + 1);
  const bool negative = mantissa[0] == '-';
  std::string digits;
  for (char c : mantissa) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= 7 || exponent < -5) {
    // Built by appending: GCC 12 warns (-Wrestrict) on "." + a temporary string.
    out += digits[0];
    if (digits.size() > 1) out.append(".").append(digits, 1);
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out.append(buf);
  }
  if (exponent >= 0) {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) return out.append(digits).append(whole - digits.size(), '0');
    return out.append(digits, 0, whole).append(".").append(digits, whole);
  }
  return out.append("0.").append(static_cast<size_t>(-exponent - 1), '0').append(digits);
}

std::u16string decimal(long value) { return widen(std::to_string(value)); }

}  // namespace formix::text
