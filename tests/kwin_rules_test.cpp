// KDE Plasma's pieces that need no KWin: the bar's window rule put into a rules file that is the
// user's too, the active window as KWin's script reports it, and the ports over that report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/atomic_file.h"
#include "platform/linux/kwin_active_window.h"
#include "platform/linux/kwin_rules.h"
#ifdef FORMIX_KWIN
#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/linux/kwin_desktop.h"
#endif

namespace formix::platform {
namespace {

std::string ourGroup() {
  std::string group = "[formix-bar]\n";
  for (const auto& [key, value] : barRuleEntries()) group += key + "=" + value + "\n";
  return group;
}

// Applied once more, the rule is found in place: nothing to write.
void expectSettled(const std::string& text) { EXPECT_EQ(withBarRule(text), std::nullopt) << text; }

TEST(KWinBarRule, AnEmptyOrMissingFileGetsTheListAndTheRule) {
  const auto written = withBarRule("");
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, "[General]\ncount=1\nrules=formix-bar\n\n" + ourGroup());
  expectSettled(*written);
  // The rule is for the bar alone: formix's class and the bar's exact title.
  EXPECT_NE(written->find("acceptfocus=false\nacceptfocusrule=2\n"), std::string::npos);
  EXPECT_NE(written->find("wmclass=formix\nwmclassmatch=1\n"), std::string::npos);
  EXPECT_NE(written->find("title=^Formix$\ntitlematch=3\n"), std::string::npos);
}

TEST(KWinBarRule, TheUsersRulesAndEveryOtherLineStayExactly) {
  const std::string users =
      "# my rules\n"
      "[General]\n"
      "count=2\n"
      "rules=3f2a,team\\,mail\n"
      "someOtherKey = kept as it is \n"
      "\n"
      "[3f2a]\n"
      "Description=Terminal\n"
      "Description[ja]=端末\n"
      "wmclass=konsole\n"
      "\n"
      "[team\\,mail][nested]\n"
      "rules=not the list\n";
  const auto written = withBarRule(users);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written,
            "# my rules\n"
            "[General]\n"
            "count=3\n"
            "rules=3f2a,team\\,mail,formix-bar\n"
            "someOtherKey = kept as it is \n"
            "\n"
            "[3f2a]\n"
            "Description=Terminal\n"
            "Description[ja]=端末\n"
            "wmclass=konsole\n"
            "\n"
            "[team\\,mail][nested]\n"
            "rules=not the list\n"
            "\n" +
                ourGroup());
  expectSettled(*written);
}

// Once the rule is in, a second start writes nothing, whatever odd file it began from: lines
// before any group, an empty name in the list, a list that ends in a backslash.
TEST(KWinBarRule, AddedOnceEvenToAnOddFile) {
  for (const char* odd : {"loose line\ncount=1\nrules=a1b2\n\n[a1b2]\nDescription=Mine\n",
                          "[General]\ncount=0\nrules=,a\n", "[General]\nrules=a1\\\ncount=1\n"}) {
    const auto once = withBarRule(odd);
    ASSERT_TRUE(once) << odd;
    EXPECT_EQ(withBarRule(*once), std::nullopt) << *once;
  }
}

TEST(KWinBarRule, AFileOfTheOldFormKeepsItsNumberedRules) {
  // A count without a list stands for the groups 1..count.
  const auto written = withBarRule("[1]\nwmclass=a\n\n[2]\nwmclass=b\n\n[General]\ncount=2\n");
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, "[1]\nwmclass=a\n\n[2]\nwmclass=b\n\n[General]\ncount=3\nrules=1,2,formix-bar\n\n" + ourGroup());
  expectSettled(*written);
  // A damaged count (huge, past the integers, negative) names no more groups than the file holds.
  for (const char* count : {"2444444444444", "99999999999999999999999", "-5", "x"}) {
    const auto damaged = withBarRule(std::string("[General]\ncount=") + count + "\n\n[1]\nwmclass=a\n");
    ASSERT_TRUE(damaged) << count;
    const size_t rules = damaged->find("rules=");
    ASSERT_NE(rules, std::string::npos) << *damaged;
    EXPECT_LE(damaged->find('\n', rules) - rules, std::string("rules=1,2,formix-bar").size()) << *damaged;
    EXPECT_EQ(withBarRule(*damaged), std::nullopt) << *damaged;
  }
}

TEST(KWinBarRule, ARuleChangedSinceIsPutBackInItsPlaceAndListedOnce) {
  const std::string changed =
      "[General]\ncount=2\nrules=formix-bar,x\n\n[formix-bar]\nacceptfocus=true\nwmclass=formix\n\n[x]\nabove=true\n";
  const auto written = withBarRule(changed);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, "[General]\ncount=2\nrules=formix-bar,x\n\n" + ourGroup() + "\n[x]\nabove=true\n");
  expectSettled(*written);
  // The same text without its last line end is settled too: no write for that alone.
  std::string unterminated = *written;
  unterminated.pop_back();
  expectSettled(unterminated);
}

TEST(KWinBarRule, TheRuleAsKWinSavedItUnderANumberIsLeftAsItIs) {
  // KWin renumbers the rules when it saves them and drops default values (acceptfocus=false);
  // the group formix wrote stays behind, no longer listed.
  const std::string saved = "[1]\nwmclass=konsole\n\n[2]\nDescription=" + barRuleEntries().front().second +
                            "\nacceptfocusrule=2\nwmclass=formix\n\n[General]\ncount=2\nrules=1,2\n\n" + ourGroup();
  expectSettled(saved);
  // Not listed, the description alone is no rule: the bar's rule is added.
  const std::string unlisted = "[General]\ncount=1\nrules=1\n\n[7]\nDescription=" + barRuleEntries().front().second + "\n";
  ASSERT_TRUE(withBarRule(unlisted));
  EXPECT_NE(withBarRule(unlisted)->find("rules=1,formix-bar\n"), std::string::npos);
}

class KWinRulesFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("formix-kwin-rules-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(KWinRulesFile, WrittenOnceThenLeftAloneAndALinkStaysALink) {
  const auto real = dir_ / "dotfiles-kwinrulesrc";
  {
    std::ofstream(real) << "[General]\ncount=0\n";
  }
  const auto link = dir_ / "kwinrulesrc";
  std::filesystem::create_symlink(real, link);
  std::string why;
  EXPECT_EQ(installBarRule(link, &why), RuleInstall::Written) << why;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_NE(app::readWholeFile(real)->find("[formix-bar]"), std::string::npos);
  EXPECT_EQ(installBarRule(link, &why), RuleInstall::Unchanged);
  // A missing file, in a folder not made yet, is made.
  ASSERT_EQ(installBarRule(dir_ / "config" / "kwinrulesrc", &why), RuleInstall::Written) << why;
  EXPECT_EQ(app::readWholeFile(dir_ / "config" / "kwinrulesrc"), withBarRule(""));
}

TEST(KWinActiveWindowReports, EachWindowKeepsItsNumberAndNoWindowIsNone) {
  KWinActiveWindow active;
  EXPECT_FALSE(active.active());
  active.reported("org.kde.konsole", "~ : bash", "{1111}");
  ASSERT_TRUE(active.active());
  const uint32_t konsole = active.active()->id;
  active.reported("org.xfce.mousepad", "notes.txt", "{2222}");
  EXPECT_NE(active.active()->id, konsole);
  active.reported("org.kde.konsole", "~ : vim", "{1111}");
  EXPECT_EQ(active.active()->id, konsole);
  EXPECT_EQ(active.active()->caption, "~ : vim");
  active.reported("", "", "");
  EXPECT_FALSE(active.active());
  // The windows by when they last had the focus; a closed one is gone, and its number with it.
  ASSERT_EQ(active.recent().size(), 2u);
  EXPECT_EQ(active.recent()[0].id, konsole);
  EXPECT_EQ(active.recent()[1].caption, "notes.txt");
  active.closed("{1111}");
  ASSERT_EQ(active.recent().size(), 1u);
  EXPECT_FALSE(active.find(konsole));
  active.closed("{unknown}");
  active.reported("org.kde.konsole", "~ : bash", "{1111}");
  EXPECT_NE(active.active()->id, konsole);
  EXPECT_FALSE(active.activate(konsole));  // no KWin to ask here
  // The one-shot script names the window only in KWin's own form of id.
  ASSERT_TRUE(activationScript("{0d1e-AF}"));
  EXPECT_NE(activationScript("{0d1e-AF}")->find("== \"{0d1e-AF}\")"), std::string::npos);
  EXPECT_FALSE(activationScript("{x\"); workspace.activeClient = null; //}"));
  EXPECT_FALSE(activationScript(""));
  // The script calls formix's object by the names the object answers to.
  const std::string script = activeWindowScript();
  EXPECT_NE(script.find(std::string("\"") + kActiveWindowPath + "\", \"" + kActiveWindowInterface + "\""), std::string::npos);
}

#ifdef FORMIX_KWIN
class NoRecordedOwnWindow : public x11::OwnWindow {
 public:
  ports::WindowHandle handle() override { return 7; }
  void setVisible(bool) override {}
  void setCaption(std::u16string_view) override {}
  void setBounds(double, double, double, double) override {}
  void setOnTop() override {}
};

TEST(KWinPorts, TheTargetIsTheActiveWindowAndItsClassPicksThePasteKey) {
  using ports::Key;
  const char* before = std::getenv("WAYLAND_DISPLAY");
  const std::string was = before != nullptr ? before : "";
  setenv("WAYLAND_DISPLAY", "formix-test-no-such-display", 1);
  {
    wayland::WaylandSession session;
    wayland::FakeInputKeyboard keys(session, "test");
    EXPECT_FALSE(keys.available());
    EXPECT_FALSE(keys.key(XKB_KEY_v, true));
    std::string missing;
    EXPECT_FALSE(wayland::canTypeOnKWin(session, keys, &missing));
    EXPECT_NE(missing.find("X-KDE-Wayland-Interfaces"), std::string::npos);

    KWinActiveWindow active;
    NoRecordedOwnWindow own;
    wayland::KWinWindows windows(active, own);
    wayland::KWinKeyboard keyboard(keys, active);
    EXPECT_EQ(windows.firstWindow(7), 0u);
    active.reported("org.kde.konsole", "", "{1}");
    const auto konsole = windows.firstWindow(7);
    ASSERT_NE(konsole, 0u);
    EXPECT_EQ(windows.nextWindow(konsole), 0u);
    EXPECT_EQ(windows.windowText(konsole), u"org.kde.konsole");  // no caption: the class stands in
    EXPECT_EQ(keyboard.pasteKeys(konsole), (std::vector<Key>{Key::Control, Key::Shift, Key::V}));
    EXPECT_TRUE(windows.setForegroundWindow(konsole));
    active.reported("org.xfce.mousepad", "notes.txt", "{2}");
    // The walk: the focused window, then the one before it, which keeps its paste key.
    const auto mousepad = windows.firstWindow(7);
    EXPECT_EQ(windows.nextWindow(mousepad), konsole);
    EXPECT_EQ(windows.nextWindow(konsole), 0u);
    EXPECT_EQ(keyboard.pasteKeys(mousepad), (std::vector<Key>{Key::Control, Key::V}));
    EXPECT_EQ(keyboard.pasteKeys(konsole), (std::vector<Key>{Key::Control, Key::Shift, Key::V}));
    EXPECT_EQ(keyboard.programNames(mousepad), std::vector<std::u16string>{u"org.xfce.mousepad"});
    EXPECT_FALSE(windows.setForegroundWindow(konsole));  // no KWin to ask here
    active.closed("{1}");
    EXPECT_EQ(windows.isWindowVisible(konsole), 0);
    EXPECT_EQ(windows.windowText(konsole), u"");
  }
  if (before != nullptr) setenv("WAYLAND_DISPLAY", was.c_str(), 1);
  else unsetenv("WAYLAND_DISPLAY");
}
#endif

}  // namespace
}  // namespace formix::platform
