// The triggers a user binds to a key of the desktop's own (`formix --trigger NAME`): the popup
// menu, the whole-form fill, or one phrase of one page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace formix::triggers {

struct NamedTrigger {
  enum class Kind { Menu, Fill, Phrase };
  Kind kind = Kind::Menu;
  int page = 0;    // 0..13 for a phrase
  int phrase = 0;  // 0..14 for a phrase

  bool operator==(const NamedTrigger&) const = default;
};

// "menu", "fill", or "phrase:P:N" with page P in 1..14 and phrase N in 1..15 (plain decimal
// digits, no sign, no blanks); nullopt for anything else.
std::optional<NamedTrigger> parseNamedTrigger(std::string_view name);

// The names parseNamedTrigger reads, for the line that says what a bad name should have been.
inline constexpr std::string_view kNamedTriggerForms = "fill, menu or phrase:PAGE:PHRASE (page 1-14, phrase 1-15)";

}  // namespace formix::triggers
