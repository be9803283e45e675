// The data one fill of the HTML engine works on: the table of the fields it found.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fill/profile.h"

namespace formix::fill {

// Field bases; a field code is its base plus its field kind.
namespace base {
inline constexpr int Input = 100;  // a text-like input element
inline constexpr int Radio = 200;
inline constexpr int Select = 300;
inline constexpr int TextArea = 400;
}  // namespace base

inline constexpr size_t kFieldCapacity = 1001;

struct FieldRecord {
  std::u16string tagText;        // the field exactly as written in the HTML
  std::u16string newText;        // what replaces the tag text when `changed`
  std::u16string precedingText;  // up to 150 characters before the field, reversed, without blanks
  bool changed = false;
  int16_t fieldCode = 0;
  size_t position = 0;  // 0-based offset of the field's "<" in the HTML: where its new text goes
  std::u16string value;  // what the field received, as a person would read it (for reports)
};

// The fields of one page in document order; at most kFieldCapacity of them.
struct FieldTable {
  std::vector<FieldRecord> records;
  bool full() const { return records.size() >= kFieldCapacity; }
};

// Called while a fill runs so that a user interface can process its pending events.
using YieldFn = std::function<void()>;

}  // namespace formix::fill
