// The Linux desktop's own rules: which X11 windows count as visible, captioned or on top, where
// the settings file lives, the instance lock, keys, starting programs and loading the hook library.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/linux_process.h"
#include "platform/linux/linux_session.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/window_facts.h"
#include "platform/linux/x11_clipboard.h"
#include "platform/linux/x11_keyboard.h"
#include "tests/test_support.h"

namespace formix::testing {
namespace {

using platform::x11::WindowFacts;
using platform::x11::WindowType;

WindowFacts window(WindowType type, std::vector<uint32_t> motifHints = {}) {
  WindowFacts facts;
  facts.type = type;
  facts.motifHints = std::move(motifHints);
  return facts;
}

WindowFacts mapped(bool isMapped, bool hidden) {
  WindowFacts facts;
  facts.mapped = isMapped;
  facts.hidden = hidden;
  return facts;
}

TEST(X11Windows, ACaptionMeansANormalOrDialogWindowThatKeepsItsTitleBar) {
  EXPECT_TRUE(hasCaption(window(WindowType::Normal)));
  EXPECT_TRUE(hasCaption(window(WindowType::Dialog)));
  EXPECT_FALSE(hasCaption(window(WindowType::Other)));  // dock, menu, splash, ...
  struct Case {
    std::vector<uint32_t> hints;
    bool title;
  };
  const Case cases[] = {
      {{}, true},                // no Motif hints
      {{1, 0, 0, 0, 0}, true},   // functions only: the decorations are the window manager's
      {{2, 0, 0, 0, 0}, false},  // no decorations at all
      {{2, 0, 2, 0, 0}, false},  // a border, no title
      {{2, 0, 8, 0, 0}, true},   // a title
      {{2, 0, 1, 0, 0}, true},   // everything
      {{2, 0, 9, 0, 0}, false},  // everything but the title
      {{2, 0}, true},            // too short to say anything
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hasCaption(window(WindowType::Normal, c.hints)), c.title)
        << ::testing::PrintToString(c.hints);
  }
}

TEST(X11Windows, AWindowThatDrawsItsOwnTitleBarHasACaption) {
  WindowFacts browser = window(WindowType::Normal, {2, 0, 0, 0, 0});  // Chromium: no decorations asked
  browser.drawsOwnFrame = true;                                       // but _GTK_FRAME_EXTENTS set
  EXPECT_TRUE(hasCaption(browser));
  WindowFacts popup = window(WindowType::Other, {2, 0, 0, 0, 0});
  popup.drawsOwnFrame = true;
  EXPECT_FALSE(hasCaption(popup));  // a menu or tooltip stays out, whatever it draws
}

TEST(X11Windows, VisibleMeansMappedAndNotHidden) {
  EXPECT_TRUE(isVisible(mapped(true, false)));
  EXPECT_FALSE(isVisible(mapped(true, true)));  // minimised, other desktop
  EXPECT_FALSE(isVisible(mapped(false, false)));
}

TEST(LinuxSession, TheSettingsLiveBesideAWritableProgramElseInTheUsersConfigFolder) {
  ScratchFolder scratch;
  EXPECT_EQ(platform::settingsFolder(scratch.path(), "", "/nowhere"), scratch.path());  // a portable copy

  if (geteuid() == 0) {  // a writable folder of someone else's is no portable copy
    const auto shared = scratch / "shared";
    std::filesystem::create_directory(shared);
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::settingsFolder(shared, (scratch / "cfg").string(), "/nowhere"), scratch / "cfg" / "formix");
  }
  const auto readOnly = scratch / "not-there";  // a folder the user cannot write to
  const auto config = scratch / "config";
  EXPECT_EQ(platform::settingsFolder(readOnly, config.string(), "/nowhere"), config / "formix");
  struct stat info{};
  ASSERT_EQ(stat((config / "formix").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Without XDG_CONFIG_HOME, or with a relative one, ~/.config is used.
  const auto home = scratch / "home";
  EXPECT_EQ(platform::settingsFolder(readOnly, "", home.string()), home / ".config" / "formix");
  EXPECT_EQ(platform::settingsFolder(readOnly, "rel/config", home.string()), home / ".config" / "formix");
}

TEST(LinuxProcess, OneInstancePerUserAndDisplay) {
  EXPECT_EQ(platform::instanceLockPath("/run/user/1000", ":0", 1000), "/run/user/1000/formix-1000-_0.lock");
  EXPECT_EQ(platform::instanceLockPath("", "host:10.0", 7), "/tmp/formix-7-host_10.lock");
  EXPECT_EQ(platform::instanceLockPath("relative", "../x:0", 7), "/tmp/formix-7-.._x_0.lock");
  EXPECT_EQ(platform::instanceLockPath("/run/user/7", ":0.0", 7), platform::instanceLockPath("/run/user/7", ":0", 7));

  ScratchFolder runtime;
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  setenv("DISPLAY", ":42", 1);
  {
    platform::LinuxProcess first(nullptr), second(nullptr);
    EXPECT_FALSE(first.anotherInstanceRunning());
    EXPECT_TRUE(second.anotherInstanceRunning());
  }
  platform::LinuxProcess later(nullptr);  // the first one ended: the lock is free again
  EXPECT_FALSE(later.anotherInstanceRunning());
}

TEST(X11Keyboard, TheModelsVirtualKeysHaveKeysyms) {
  EXPECT_EQ(platform::x11::keysymOf(0x11), 0xffe3u);  // Control_L
  EXPECT_EQ(platform::x11::keysymOf('V'), static_cast<uint32_t>('v'));
  EXPECT_EQ(platform::x11::keysymOf(0x09), 0xff09u);  // Tab
  EXPECT_EQ(platform::x11::keysymOf(0x0D), 0xff0du);  // Return
  EXPECT_EQ(platform::x11::keysymOf(0xE5), 0u);       // a key the model never sends
}

TEST(X11Keyboard, TerminalsGetTheirOwnPasteKeyByTheirWindowClass) {
  using platform::x11::pasteKeysOf;
  using platform::x11::wmClassStrings;
  using Keys = std::vector<uint8_t>;
  const Keys ctrlV{0x11, 0x56}, ctrlShiftV{0x11, 0x10, 0x56}, shiftInsert{0x10, 0x2D};
  EXPECT_EQ(wmClassStrings(std::string("xterm\0XTerm\0", 12)), (std::vector<std::string>{"xterm", "XTerm"}));
  EXPECT_EQ(wmClassStrings(std::string("odd", 3)), std::vector<std::string>{"odd"});
  EXPECT_EQ(wmClassStrings(""), std::vector<std::string>{});
  EXPECT_EQ(pasteKeysOf({"xterm", "XTerm"}), shiftInsert);
  EXPECT_EQ(pasteKeysOf({"urxvt", "URxvt"}), shiftInsert);
  EXPECT_EQ(pasteKeysOf({"lxterminal", "Lxterminal"}), ctrlShiftV);
  EXPECT_EQ(pasteKeysOf({"gnome-terminal-server", "Gnome-terminal"}), ctrlShiftV);
  EXPECT_EQ(pasteKeysOf({"Alacritty", "Alacritty"}), ctrlShiftV);
  EXPECT_EQ(pasteKeysOf({"org.wezfurlong.wezterm", "org.wezfurlong.wezterm"}), ctrlShiftV);
  EXPECT_EQ(pasteKeysOf({"mousepad", "Mousepad"}), ctrlV);
  EXPECT_EQ(pasteKeysOf({"chromium", "Chromium"}), ctrlV);
  EXPECT_EQ(pasteKeysOf({}), ctrlV);  // a window without WM_CLASS
  EXPECT_EQ(platform::x11::keysymOf(0x2D), 0xff63u);  // Insert
  EXPECT_EQ(platform::x11::keysymOf(0x10), 0xffe1u);  // Shift_L
}

TEST(X11Clipboard, ThePastedTextHasTheLineEndsOfX11Programs) {
  using platform::x11::unixLineEnds;
  EXPECT_EQ(unixLineEnds(u"お世話になります\r\nよろしく\r\n"), u"お世話になります\nよろしく\n");
  EXPECT_EQ(unixLineEnds(u"a\rb\n\nc\r\r\nd\r"), u"a\nb\n\nc\n\nd\n");
  EXPECT_EQ(unixLineEnds(u"\t%"), u"\t%");
  EXPECT_EQ(unixLineEnds(u""), u"");
}

TEST(LinuxShell, ProgramsStartWithoutAShellAndDocumentsAreNotPrograms) {
  ScratchFolder scratch;
  platform::LinuxShell shell;
  const auto marker = scratch / "started";
  EXPECT_TRUE(shell.startProgram(u"touch \"" + std::u16string(marker.u16string()) + u"\"", 2));
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) usleep(10000);
  EXPECT_TRUE(std::filesystem::exists(marker));
  // No shell: a ; or $(...) is just an argument, and nothing else runs.
  const auto injected = scratch / "injected";
  EXPECT_TRUE(shell.startProgram(u"true ; touch " + std::u16string(injected.u16string()), 2));
  usleep(100000);
  EXPECT_FALSE(std::filesystem::exists(injected));
  EXPECT_FALSE(shell.startProgram(u"formix-no-such-program --x", 2));
  EXPECT_FALSE(shell.startProgram(u"", 2));
  writeFile(scratch / "見積.txt", "a document");
  EXPECT_FALSE(shell.startProgram((scratch / "見積.txt").u16string(), 2));  // left to xdg-open
}

TEST(LinuxHookLoader, TheLibraryIsTakenFromTheProgramsFolderByName) {
  ScratchFolder folder;
  platform::LinuxHookLoader loader(folder.path(), "");
  EXPECT_FALSE(loader.loadHookLibrary("formix-no-such-hook").has_value());
  std::filesystem::copy_file(FORMIX_REFUSING_HOOK, folder / "libfmxhook_test.so");
  const auto exports = loader.loadHookLibrary("fmxhook_test");
  ASSERT_TRUE(exports.has_value());
  ASSERT_TRUE(exports->SetHook);
  EXPECT_EQ(exports->SetHook(), -1);
  EXPECT_TRUE(exports->M_Mode[0]);
  EXPECT_FALSE(exports->M_Mode[1]);  // a missing export is an empty function
}

}  // namespace
}  // namespace formix::testing
