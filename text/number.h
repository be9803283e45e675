// Numbers as the settings file holds them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace formix::text {

// The leading number of a text: leading blanks (space, tab, CR, LF) are skipped; then either a
// decimal number (optional sign, digits, decimal point, exponent with E or D) or "&H" and
// hexadecimal digits is read up to the first character that cannot continue it. A text without
// a number gives 0. Hexadecimal values of up to four digits are 16-bit and of up to eight digits
// 32-bit two's complement ("&HFFFF" is -1). A number too large for a double, or a hexadecimal
// number of more than eight significant digits, gives an infinity, which no integer conversion
// accepts.
double leadingNumber(std::u16string_view text);

// The whole text as a number (blanks around it allowed), or nullopt when any other character is
// present or the text is empty.
std::optional<double> wholeNumber(std::u16string_view text);

// A whole number in decimal digits ("1980", "-5").
std::u16string decimal(long value);

// Round to the nearest integer, halves to even.
double roundHalfEven(double value);

// Round half to even and check the range of a 16-bit or 32-bit integer.
std::optional<int16_t> toInt16(double value);
std::optional<int32_t> toInt32(double value);

// A single-precision value in general number format: at most seven significant digits, no
// trailing zeros, whole numbers without a decimal point, exponent form ("1.234568E+07") where
// fixed notation would need more than seven digits before or too many zeros after the point.
std::string formatSingle(float value);

}  // namespace formix::text
