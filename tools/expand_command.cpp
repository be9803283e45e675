// formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT
//
// Prints what typing a phrase with content TEXT would paste, followed by a newline. A "%O" phrase
// prints nothing and says on stderr what it would open ("open: TARGET", trimmed; nothing when the
// target is blank) instead of opening it.
#include <chrono>
#include <ctime>

#include "phrases/phrase_pages.h"
#include "text/utf.h"
#include "tools/cli.h"

namespace formix::tool {
namespace {

constexpr std::string_view kUsage = "usage: formix-tool expand [--now YYYY-MM-DDTHH:MM:SS] TEXT";

// YYYY-MM-DDTHH:MM:SS, a real calendar day and time of day, year 1 to 9999.
std::optional<phrases::DateTime> parseDateTime(std::string_view s) {
  constexpr std::string_view shape = "0000-00-00T00:00:00";
  if (s.size() != shape.size()) return std::nullopt;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool digit = s[i] >= '0' && s[i] <= '9';
    if (shape[i] == '0' ? !digit : s[i] != shape[i]) return std::nullopt;
  }
  const auto field = [&](size_t at, size_t digits) {
    int v = 0;
    for (size_t i = at; i < at + digits; ++i) v = v * 10 + (s[i] - '0');
    return v;
  };
  const phrases::DateTime t{field(0, 4), field(5, 2), field(8, 2), field(11, 2), field(14, 2), field(17, 2)};
  const std::chrono::year_month_day day{std::chrono::year{t.year}, std::chrono::month(static_cast<unsigned>(t.month)),
                                        std::chrono::day(static_cast<unsigned>(t.day))};
  if (t.year < 1 || !day.ok() || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  return t;
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
