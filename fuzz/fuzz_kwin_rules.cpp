// The user's KWin rules file, which formix reads and rewrites to add the bar's rule.
//
// Input: the file's text, any bytes. Once the rule is added, adding it again changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/kwin_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto written = formix::platform::withBarRule(text);
  if (written && formix::platform::withBarRule(*written)) std::abort();
  return 0;
}
