// formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT
//
// Prints what typing a phrase with content TEXT would paste, followed by a newline. A "%O" phrase
// prints nothing and says on stderr what it would open ("open: TARGET", trimmed; nothing when the
// target is blank) instead of opening it.
#include <ctime>

#include "fill/japanese_date.h"
#include "phrases/phrase_pages.h"
#include "text/utf.h"
#include "tools/cli.h"

namespace formix::tool {
namespace {

constexpr std::string_view kUsage = "usage: formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT";

// YYYY-MM-DDTHH:MM:SS: a real day (as --today of the fill command takes it) and a time of day.
std::optional<phrases::DateTime> parseDateTime(std::string_view s) {
  if (s.size() != 19 || s[10] != 'T' || s[13] != ':' || s[16] != ':') return std::nullopt;
  const auto date = fill::parseIsoDate(s.substr(0, 10));
  int time[3] = {};
  for (int k = 0; k < 3; ++k) {
    const char tens = s[11 + 3 * k], ones = s[12 + 3 * k];
    if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
    time[k] = (tens - '0') * 10 + (ones - '0');
  }
  if (!date || time[0] > 23 || time[1] > 59 || time[2] > 59) return std::nullopt;
  return phrases::DateTime{date->year, date->month, date->day, time[0], time[1], time[2]};
}

phrases::DateTime localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace

int runExpand(const Args& args) {
  const bool withNow = !args.empty() && args[0] == "--now";
  if (args.size() != (withNow ? 3u : 1u)) return fail(kUsage);
  phrases::DateTime now;
  if (withNow) {
    const auto t = parseDateTime(args[1]);
    if (!t) return fail("--now must be a date and time as YYYY-MM-DDTHH:MM:SS, not '" + args[1] + "'");
    now = *t;
  } else {
    now = localNow();
  }
  const auto content = text::fromUtf8(args.back());
  if (!content) return fail("TEXT is not valid UTF-8");

  const phrases::Expansion expansion = phrases::ExpandPhrase(*content, now);
  if (expansion.openTarget) {
    const std::u16string target = phrases::TrimBlanks(*expansion.openTarget);
    if (!target.empty()) std::cerr << "open: " << text::toUtf8(target) << '\n';
    return 0;
  }
  std::cout << text::toUtf8(expansion.text) << '\n';
  return 0;
}

}  // namespace formix::tool
