// Exact and "text" comparison of UTF-16 strings, and InStr-style search.
//
// Text comparison ignores case, the difference between full-width and half-width forms, and the
// difference between hiragana and katakana. It works by folding each code unit to one canonical
// code unit and comparing the folded units exactly, so a position found in a folded text is the
// same position in the original text. Fold a long text once (FoldedText) and search it many times.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace formix::text {

enum class Compare { Binary, Text };

inline constexpr size_t npos = std::u16string_view::npos;

// The canonical unit of `c` for text comparison.
char16_t foldUnit(char16_t c);

// `text` with every unit folded; same length as `text`.
std::u16string foldText(std::u16string_view text);

// Whole-string equality under the given comparison.
bool equals(std::u16string_view a, std::u16string_view b, Compare mode);

// First position >= `from` (0-based) where `needle` occurs in `haystack`, or npos. An empty needle
// is found at `from` itself while `from` does not pass the end of the haystack.
size_t inStr(std::u16string_view haystack, std::u16string_view needle, size_t from = 0,
             Compare mode = Compare::Binary);

// A text folded once for many text-comparison searches.
class FoldedText {
 public:
  explicit FoldedText(std::u16string_view original) : folded_(foldText(original)) {}

  // Text-comparison search for `needle` (folded here) from `from`.
  size_t find(std::u16string_view needle, size_t from = 0) const;
  // Search for a needle that the caller has already folded.
  size_t findFolded(std::u16string_view foldedNeedle, size_t from = 0) const;

  const std::u16string& folded() const { return folded_; }
  size_t size() const { return folded_.size(); }

 private:
  std::u16string folded_;
};

}  // namespace formix::text
