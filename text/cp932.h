// Code page 932 (Windows Shift-JIS), the ANSI code page of the settings file on every desktop.
//
// A CP932 "code" is a 16-bit value: 0x00..0xFF for a single-byte character, lead byte * 256 +
// trail byte for a double-byte character. The conversions go through the platform's converter
// (iconv here) one character at a time and are cached, so a character is converted at most once
// per process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace formix::text {

// The CP932 code of one UTF-16 unit, or nullopt when the unit has no form in the code page that
// converts back to the same unit (surrogates never do).
std::optional<uint16_t> cp932Code(char16_t unit);

// The character of a CP932 code, or nullopt for a code that is no character of the code page
// (a lone lead byte, an invalid trail byte, an unassigned code).
std::optional<char16_t> cp932Char(uint16_t code);

// Whether `byte` starts a double-byte character.
bool isCp932LeadByte(unsigned char byte);

// Text to CP932 bytes; nullopt when any character has no form in the code page.
std::optional<std::string> toCp932(std::u16string_view text);

// CP932 bytes to text; a byte that starts no valid character becomes U+FFFD.
std::u16string fromCp932(std::string_view bytes);

namespace detail {
// The platform converter behind the cache: one character each way, nullopt when it refuses.
std::optional<std::string> platformToCp932(char16_t unit);
std::optional<char16_t> platformFromCp932(std::string_view bytes);
}  // namespace detail

}  // namespace formix::text
