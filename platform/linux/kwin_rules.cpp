#include "platform/linux/kwin_rules.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "app/atomic_file.h"

namespace formix::platform {
namespace {

// KConfig's rule values: 1 exact match, 3 regular expression; 2 forces the property.
constexpr const char* kForce = "2";

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The group a header line opens ("[General]" gives "General"); nullopt for any other line.
// Nested groups ("[A][B]") are groups of their own, kept whole.
std::optional<std::string> groupOf(std::string_view line) {
  line = trimmed(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return std::string(line.substr(1, line.size() - 2));
}

// The key of an entry line ("rules=1,2" gives "rules"); empty for blank lines and comments.
std::string keyOf(std::string_view line) {
  const auto t = trimmed(line);
  if (t.empty() || t.front() == '#') return {};
  const size_t equals = t.find('=');
  if (equals == std::string_view::npos) return {};
  return std::string(trimmed(t.substr(0, equals)));
}

std::string valueOf(std::string_view line) {
  const size_t equals = line.find('=');
  return std::string(trimmed(line.substr(equals + 1)));
}

// A KConfig list: items apart at commas, "\," a comma within an item.
std::vector<std::string> splitList(std::string_view value) {
  std::vector<std::string> items;
  if (value.empty()) return items;
  std::string item;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      item += value[i];
      item += value[++i];
    } else if (value[i] == '\\') {
      // A backslash that ends the list escapes nothing: kept as one, so that an item joined
      // after it does not become part of this one.
      item += "\\\\";
    } else if (value[i] == ',') {
      items.push_back(std::move(item));
      item.clear();
    } else {
      item += value[i];
    }
  }
  items.push_back(std::move(item));
  return items;
}

std::string joinList(const std::vector<std::string>& items) {
  std::string value;
  for (const auto& item : items) value += (value.empty() ? "" : ",") + item;
  return value;
}

std::vector<std::string> linesOf(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

const std::vector<std::pair<std::string, std::string>>& barRuleEntries() {
  static const std::vector<std::pair<std::string, std::string>> entries{
      {"Description", "Formix bar: never focused, above the others"},
      {"wmclass", "formix"},
      {"wmclassmatch", "1"},
      {"wmclasscomplete", "false"},
      // The bar's title is "Formix "; KWin matches the caption with its blanks trimmed.
      {"title", "^Formix$"},
      {"titlematch", "3"},
      {"acceptfocus", "false"},
      {"acceptfocusrule", kForce},
      {"above", "true"},
      {"aboverule", kForce},
      {"skiptaskbar", "true"},
      {"skiptaskbarrule", kForce},
      {"skippager", "true"},
      {"skippagerrule", kForce},
      {"skipswitcher", "true"},
      {"skipswitcherrule", kForce},
  };
  return entries;
}

std::optional<std::string> withBarRule(std::string_view text) {
  const std::vector<std::string> lines = linesOf(text);
  const std::string ours(kBarRuleGroup);

  // What [General] says now.
  std::optional<std::vector<std::string>> listed;
  long long count = 0;
  size_t groups = 0;
  bool haveGeneral = false, haveOurs = false;
  std::string group;
  for (const auto& line : lines) {
    if (auto g = groupOf(line)) {
      ++groups;
      group = *g;
      haveGeneral = haveGeneral || group == "General";
      haveOurs = haveOurs || group == ours;
      continue;
    }
    if (group != "General") continue;
    const std::string key = keyOf(line);
    if (key == "rules" && !listed) listed = splitList(valueOf(line));
    if (key == "count") {
      const std::string value = valueOf(line);
      if (std::from_chars(value.data(), value.data() + value.size(), count).ec != std::errc()) count = 0;
    }
  }
  // The old form: groups 1..count, with no list. A count beyond the groups the file holds names
  // none of them (a damaged file must not make formix count to billions).
  std::vector<std::string> rules;
  if (listed) {
    rules = *listed;
  } else {
    count = std::min<long long>(count, static_cast<long long>(groups));
    for (long long i = 1; i <= count; ++i) rules.push_back(std::to_string(i));
  }
  // KWin saves the rules itself now and then, renumbered 1..count and without the entries that
  // hold default values: a listed group with the bar's description is the bar's rule, kept as
  // KWin wrote it, or the user changed it in the settings. Another copy would pile up at each start.
  const std::string description = "Description=" + barRuleEntries().front().second;
  for (const auto& line : lines) {
    if (auto g = groupOf(line)) {
      group = *g;
    } else if (group != ours && trimmed(line) == description &&
               std::find(rules.begin(), rules.end(), group) != rules.end()) {
      return std::nullopt;
    }
  }
  // An empty name in the list ("rules=,a") names no group: the count is of the named ones.
  std::erase(rules, std::string());
  if (std::find(rules.begin(), rules.end(), ours) == rules.end()) rules.push_back(ours);
  const std::string rulesLine = "rules=" + joinList(rules);
  const std::string countLine = "count=" + std::to_string(rules.size());

  std::vector<std::string> out;
  const auto ourEntries = [&] {
    for (const auto& [key, value] : barRuleEntries()) out.push_back(key + "=" + value);
  };
  // A new [General] opens the file, unless lines stand there before any group: those would
  // become [General]'s own, so it goes at the end then.
  bool loose = false;
  for (const auto& line : lines) {
    if (groupOf(line)) break;
    loose = loose || !trimmed(line).empty();
  }
  const auto newGeneral = [&] {
    out.push_back("[General]");
    out.push_back(countLine);
    out.push_back(rulesLine);
  };
  if (!haveGeneral && !loose) {
    newGeneral();
    if (!lines.empty()) out.emplace_back();
  }
  group.clear();
  bool wroteRules = false, wroteCount = false;
  const auto closeGeneral = [&] {
    // The lines [General] lacked go at its end, before the blank lines that end the group.
    if (group != "General") return;
    size_t at = out.size();
    while (at > 0 && trimmed(out[at - 1]).empty()) --at;
    std::vector<std::string> missing;
    if (!wroteCount) missing.push_back(countLine);
    if (!wroteRules) missing.push_back(rulesLine);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), missing.begin(), missing.end());
    wroteRules = wroteCount = true;
  };
  for (const auto& line : lines) {
    if (auto g = groupOf(line)) {
      closeGeneral();
      group = *g;
      out.push_back(line);
      if (group == ours) ourEntries();
      continue;
    }
    if (group == ours) {
      // Its entries are written whole above; blank lines and comments stay.
      if (keyOf(line).empty()) out.push_back(line);
      continue;
    }
    if (group == "General") {
      const std::string key = keyOf(line);
      if (key == "rules") {
        if (!wroteRules) out.push_back(rulesLine);
        wroteRules = true;
        continue;
      }
      if (key == "count") {
        if (!wroteCount) out.push_back(countLine);
        wroteCount = true;
        continue;
      }
    }
    out.push_back(line);
  }
  closeGeneral();
  if (!haveGeneral && loose) {
    if (!out.empty() && !trimmed(out.back()).empty()) out.emplace_back();
    newGeneral();
  }
  if (!haveOurs) {
    if (!out.empty() && !trimmed(out.back()).empty()) out.emplace_back();
    out.push_back("[" + ours + "]");
    ourEntries();
  }

  std::string result;
  for (const auto& line : out) result += line + "\n";
  // A file without a line end at its close gets one; that alone is no reason to write.
  if (result == text || (!text.empty() && text.back() != '\n' && result == std::string(text) + "\n")) {
    return std::nullopt;
  }
  return result;
}

std::filesystem::path kwinRulesPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::filesystem::path(config) / "kwinrulesrc";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "") / ".config" / "kwinrulesrc";
}

RuleInstall installBarRule(const std::filesystem::path& path, std::string* why) {
  std::error_code error;
  // A rules file linked from elsewhere (a folder of dotfiles) is changed where it lives.
  const bool linked = std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
  const auto rulesFile = linked ? std::filesystem::canonical(path, error) : path;
  if (linked && error) {
    if (why) *why = "cannot follow the link " + path.string();
    return RuleInstall::Failed;
  }
  error.clear();
  const bool exists = std::filesystem::exists(rulesFile, error);
  const auto text = exists ? app::readWholeFile(rulesFile) : std::optional<std::string>(std::string());
  if (!text) {
    if (why) *why = "cannot read " + rulesFile.string();
    return RuleInstall::Failed;
  }
  const auto updated = withBarRule(*text);
  if (!updated) return RuleInstall::Unchanged;
  std::filesystem::create_directories(rulesFile.parent_path(), error);
  if (auto failure = app::replaceFile(rulesFile, *updated)) {
    if (why) *why = *failure;
    return RuleInstall::Failed;
  }
  return RuleInstall::Written;
}

std::string kwinGesturesNotice(const std::string& formix) {
  return "on KDE Plasma the gestures are the desktop's own shortcuts: in System Settings > Shortcuts > Custom "
         "Shortcuts, add a command shortcut running `" + formix + " --trigger fill` (the whole-form fill), `" + formix +
         " --trigger menu` (the menu) or `" + formix + " --trigger phrase:PAGE:PHRASE`; mouse gestures are not "
         "possible on KWin";
}

void askKWinToReconfigure() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  bus.send(QDBusMessage::createMethodCall("org.kde.KWin", "/KWin", "org.kde.KWin", "reconfigure"));
}

}  // namespace formix::platform
