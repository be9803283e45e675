// `formix --autostart on|off`: the user's autostart entry, where it goes, how the program's path
// is written in it, and turning it on and off.
#include <gtest/gtest.h>

#include <array>

#include "app/atomic_file.h"
#include "platform/linux/autostart.h"
#include "tests/test_support.h"

namespace formix::testing {
namespace {

namespace fs = std::filesystem;

std::string line(const std::string& entry, std::string_view key) {
  const std::string prefix = "\n" + std::string(key) + "=";
  const auto at = entry.find(prefix);
  if (at == std::string::npos) return "(none)";
  const auto start = at + prefix.size();
  return entry.substr(start, entry.find('\n', start) - start);
}

TEST(Autostart, TheEntryGoesToTheUsersAutostartFolder) {
  EXPECT_EQ(platform::autostartFolder("/cfg", "/home/u"), fs::path("/cfg/autostart"));
  EXPECT_EQ(platform::autostartFolder("", "/home/u"), fs::path("/home/u/.config/autostart"));
  EXPECT_EQ(platform::autostartFolder("rel/cfg", "/home/u"), fs::path("/home/u/.config/autostart"));
  EXPECT_EQ(platform::autostartFolder("", ""), std::nullopt);
  EXPECT_EQ(platform::autostartFolder("rel", "also/rel"), std::nullopt);
}

TEST(Autostart, TheEntryStartsTheProgramByItsPathAndIsSkippedOnceTheProgramIsGone) {
  const auto entry = platform::autostartEntry("/usr/bin/formix");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_EQ(line(*entry, "Type"), "Application");
  EXPECT_EQ(line(*entry, "Name"), "Formix");
  EXPECT_EQ(line(*entry, "Exec"), "/usr/bin/formix");
  EXPECT_EQ(line(*entry, "TryExec"), "/usr/bin/formix");
  EXPECT_EQ(line(*entry, "Icon"), "formix");
}

TEST(Autostart, APathWithReservedCharactersIsQuotedAndEscapedAsDesktopEntriesRequire) {
  // A blank: the argument is quoted.
  EXPECT_EQ(line(*platform::autostartEntry("/home/u/My Apps/formix"), "Exec"), "\"/home/u/My Apps/formix\"");
  // $ and \ take a backslash inside the quotes, then every backslash is doubled; % is no field code.
  const auto entry = platform::autostartEntry("/tmp/a$b\\c%d/formix");
  ASSERT_TRUE(entry);
  EXPECT_EQ(line(*entry, "Exec"), "\"/tmp/a\\\\$b\\\\\\\\c%%d/formix\"");
  EXPECT_EQ(line(*entry, "TryExec"), "/tmp/a$b\\\\c%d/formix");
  EXPECT_EQ(line(*platform::autostartEntry("/opt/100%/formix"), "Exec"), "/opt/100%%/formix");
  // What no desktop entry can hold is refused rather than written half right.
  EXPECT_EQ(platform::autostartEntry("/tmp/line\nbreak/formix"), std::nullopt);
  EXPECT_EQ(platform::autostartEntry("/tmp/\xff/formix"), std::nullopt);
  EXPECT_EQ(platform::autostartEntry("formix"), std::nullopt);
}

TEST(Autostart, OnWritesTheEntryAndOffRemovesIt) {
  ScratchFolder scratch;
  const auto folder = scratch / "config" / "autostart";  // made when missing
  const auto file = folder / "formix.desktop";
  auto outcome = platform::setAutostart(true, folder, "/usr/bin/formix");
  EXPECT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(outcome.message, "formix starts at login: wrote " + file.string());
  EXPECT_EQ(app::readWholeFile(file), platform::autostartEntry("/usr/bin/formix"));

  outcome = platform::setAutostart(true, folder, "/opt/formix/formix");  // on again: replaced whole
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(app::readWholeFile(file), platform::autostartEntry("/opt/formix/formix"));

  outcome = platform::setAutostart(false, folder, "/opt/formix/formix");
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "formix no longer starts at login: removed " + file.string());
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::exists(folder));  // the folder holds other programs' entries too

  outcome = platform::setAutostart(false, folder, "/opt/formix/formix");  // already off
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.message, "formix does not start at login: there is no " + file.string());
}

TEST(Autostart, FailuresAreReportedAndLeaveNothingBehind) {
  ScratchFolder scratch;
  const auto blocked = scratch / "autostart";  // a file where the folder should be
  ASSERT_FALSE(app::replaceFile(blocked, "not a folder"));
  auto outcome = platform::setAutostart(true, blocked, "/usr/bin/formix");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message.rfind("cannot create " + blocked.string(), 0), 0u) << outcome.message;
  EXPECT_EQ(app::readWholeFile(blocked), "not a folder");

  outcome = platform::setAutostart(true, scratch / "ok", "relative/formix");
  EXPECT_FALSE(outcome.ok);
  EXPECT_FALSE(fs::exists(scratch / "ok" / "formix.desktop"));
}

TEST(Autostart, TheOptionTakesOnOrOff) {
  std::array<char*, 4> args{const_cast<char*>("formix"), const_cast<char*>("--autostart"), const_cast<char*>("maybe"),
                            nullptr};
  EXPECT_EQ(platform::runAutostartOption(1, args.data(), "/usr/bin/formix"), std::nullopt);
  EXPECT_EQ(platform::runAutostartOption(2, args.data(), "/usr/bin/formix"), 2);  // no value
  EXPECT_EQ(platform::runAutostartOption(3, args.data(), "/usr/bin/formix"), 2);
  args[1] = const_cast<char*>("--install-browser-integration");
  EXPECT_EQ(platform::runAutostartOption(2, args.data(), "/usr/bin/formix"), std::nullopt);
}

}  // namespace
}  // namespace formix::testing
