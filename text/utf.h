// UTF-16 is the string type inside every engine; UTF-8 is used only at the edges (files, the
// command line, JSON). Positions in code are 0-based.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace formix::text {

// Strict UTF-8 decoding: nullopt on any malformed, overlong or surrogate sequence.
std::optional<std::u16string> fromUtf8(std::string_view utf8);

// Lenient UTF-8 decoding: every malformed byte becomes U+FFFD.
std::u16string fromUtf8Lossy(std::string_view utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

// Plain ASCII text widened to UTF-16 (bytes above 0x7F are taken as Latin-1).
std::u16string widen(std::string_view ascii);

}  // namespace formix::text
