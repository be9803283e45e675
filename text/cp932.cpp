#include "text/cp932.h"

#include <array>
#include <atomic>

namespace formix::text {
namespace {

constexpr int32_t kUnknown = -2;
constexpr int32_t kNone = -1;

// Lazily filled caches. Entries only ever go from kUnknown to their final value, and two threads
// that race compute the same value, so relaxed atomics are enough.
struct Cache {
  std::array<std::atomic<int32_t>, 0x10000> entries;
  Cache() {
    for (auto& e : entries) e.store(kUnknown, std::memory_order_relaxed);
  }
};

Cache& encodeCache() {
  static Cache cache;
  return cache;
}

Cache& decodeCache() {
  static Cache cache;
  return cache;
}

std::string codeBytes(uint16_t code) {
  if (code <= 0xFF) return std::string(1, static_cast<char>(code));
  return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

int32_t computeChar(uint16_t code) {
  const bool doubleByte = code > 0xFF;
  if (doubleByte != isCp932LeadByte(static_cast<unsigned char>(doubleByte ? code >> 8 : code))) {
    return kNone;  // a lead byte alone, or a pair whose first byte leads nothing
  }
  auto unit = detail::platformFromCp932(codeBytes(code));
  return unit ? *unit : kNone;
}

int32_t computeCode(char16_t unit) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return kNone;
  auto bytes = detail::platformToCp932(unit);
  if (!bytes || bytes->empty() || bytes->size() > 2) return kNone;
  const auto b0 = static_cast<unsigned char>((*bytes)[0]);
  const uint16_t code =
      bytes->size() == 1 ? b0 : static_cast<uint16_t>(b0 << 8 | static_cast<unsigned char>((*bytes)[1]));
  // Only a form that converts back to the same unit counts: anything else would change the text.
  return cp932Char(code) == unit ? code : kNone;
}

}  // namespace

bool isCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::optional<char16_t> cp932Char(uint16_t code) {
  auto& entry = decodeCache().entries[code];
  int32_t value = entry.load(std::memory_order_relaxed);
  if (value == kUnknown) {
    value = computeChar(code);
    entry.store(value, std::memory_order_relaxed);
  }
  if (value == kNone) return std::nullopt;
  return static_cast<char16_t>(value);
}

std::optional<uint16_t> cp932Code(char16_t unit) {
  auto& entry = encodeCache().entries[unit];
  int32_t value = entry.load(std::memory_order_relaxed);
  if (value == kUnknown) {
    value = computeCode(unit);
    entry.store(value, std::memory_order_relaxed);
  }
  if (value == kNone) return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::optional<std::string> toCp932(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t unit : text) {
    auto code = cp932Code(unit);
    if (!code) return std::nullopt;
    out += codeBytes(*code);
  }
  return out;
}

std::u16string fromCp932(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {  // ASCII needs no lookup
      out.push_back(b);
      continue;
    }
    if (isCp932LeadByte(b) && i + 1 < bytes.size()) {
      const auto code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(bytes[i + 1]));
      if (auto unit = cp932Char(code)) {
        out.push_back(*unit);
        ++i;
        continue;
      }
    }
    out.push_back(cp932Char(b).value_or(u'\uFFFD'));
  }
  return out;
}

}  // namespace formix::text
