// The KWin window rule that keeps formix's bar from taking the keyboard focus on KDE Plasma
// (Qt's "does not accept focus" is not passed on over Wayland): no focus, above the others, in
// neither the taskbar, the pager nor the window switcher, for the bar alone (formix's class and
// its title), so that its popup menu ("Formix menu") still takes the keys. Its message boxes share
// the bar's title and take clicks, not the keys, and neither do the bar's panels.
//
// The rules file (kwinrulesrc) is the user's too: formix keeps every other group exactly as it
// was, changes in [General] only the list of rules and their count, and writes only when its
// rule is missing or differs. The file is replaced whole, through a temporary file beside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace formix::platform {

inline constexpr std::string_view kBarRuleGroup = "formix-bar";

// The entries of the bar's rule, in the order they are written.
const std::vector<std::pair<std::string, std::string>>& barRuleEntries();

// The rules file's text with the bar's rule in it, or nullopt when `text` holds it already as it
// should be. A file of the old form, with a count and no list, keeps its groups 1..count.
std::optional<std::string> withBarRule(std::string_view text);

// $XDG_CONFIG_HOME/kwinrulesrc (~/.config when that is not set).
std::filesystem::path kwinRulesPath();

enum class RuleInstall { Unchanged, Written, Failed };
// Puts the rule into the rules file; on failure `why` says what went wrong.
RuleInstall installBarRule(const std::filesystem::path& rulesFile, std::string* why);

// What to do for the gestures on KDE Plasma, where no program may watch the input of others:
// the keyboard shortcuts of the desktop, running `FORMIX --trigger NAME`; no mouse gestures.
std::string kwinGesturesNotice(const std::string& formix);

// Asks KWin over the session bus to read its rules again (org.kde.KWin.reconfigure), without
// waiting for the answer.
void askKWinToReconfigure();

}  // namespace formix::platform
