// The trigger names `formix --trigger NAME` and the session bus hand to the running formix.
//
// Input: the name as it arrives, any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "triggers/named_trigger.h"

using formix::triggers::NamedTrigger;
using formix::triggers::parseNamedTrigger;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const auto trigger = parseNamedTrigger(name);
  if (!trigger) return 0;
  switch (trigger->kind) {
    case NamedTrigger::Kind::Menu:
      if (name != "menu") std::abort();
      break;
    case NamedTrigger::Kind::Fill:
      if (name != "fill") std::abort();
      break;
    case NamedTrigger::Kind::Phrase: {
      // A phrase names one of the 14 pages and one of their 15 rows, and reads back the same.
      if (trigger->page < 0 || trigger->page > 13 || trigger->phrase < 0 || trigger->phrase > 14) std::abort();
      const std::string again = "phrase:" + std::to_string(trigger->page + 1) + ":" + std::to_string(trigger->phrase + 1);
      if (parseNamedTrigger(again) != trigger) std::abort();
      break;
    }
  }
  return 0;
}
