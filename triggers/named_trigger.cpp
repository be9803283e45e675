#include "triggers/named_trigger.h"

namespace formix::triggers {
namespace {

// A number of one or two plain digits within [low, high].
std::optional<int> boundedNumber(std::string_view digits, int low, int high) {
  if (digits.empty() || digits.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

std::optional<NamedTrigger> parseNamedTrigger(std::string_view name) {
  if (name == "menu") return NamedTrigger{NamedTrigger::Kind::Menu};
  if (name == "fill") return NamedTrigger{NamedTrigger::Kind::Fill};
  constexpr std::string_view kPhrase = "phrase:";
  if (!name.starts_with(kPhrase)) return std::nullopt;
  name.remove_prefix(kPhrase.size());
  const size_t colon = name.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto page = boundedNumber(name.substr(0, colon), 1, 14);
  const auto phrase = boundedNumber(name.substr(colon + 1), 1, 15);
  if (!page || !phrase) return std::nullopt;
  return NamedTrigger{NamedTrigger::Kind::Phrase, *page - 1, *phrase - 1};
}

}  // namespace formix::triggers
