// The Linux desktop's own rules: which X11 windows count as visible, captioned or on top, where
// the settings file lives, the instance lock, keys, starting programs and loading the hook library.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sstream>

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
using ports::Key;

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
  // A folder of the user's own that group or others may write to is shared: someone else could
  // plant the settings this user runs.
  for (const mode_t shared : {0777, 0775, 0757}) {
    const auto program = scratch / ("program-" + std::to_string(shared));
    std::filesystem::create_directory(program);
    ASSERT_EQ(chmod(program.c_str(), shared), 0);
    EXPECT_EQ(platform::settingsFolder(program, config.string(), "/nowhere"), config / "formix") << shared;
  }
  // A settings folder made earlier with a wider mode is narrowed to the owner.
  ASSERT_EQ(chmod((config / "formix").c_str(), 0755), 0);
  EXPECT_EQ(platform::settingsFolder(readOnly, config.string(), "/nowhere"), config / "formix");
  ASSERT_EQ(stat((config / "formix").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Without XDG_CONFIG_HOME, or with a relative one, ~/.config is used.
  const auto home = scratch / "home";
  EXPECT_EQ(platform::settingsFolder(readOnly, "", home.string()), home / ".config" / "formix");
  EXPECT_EQ(platform::settingsFolder(readOnly, "rel/config", home.string()), home / ".config" / "formix");
  // An installed program keeps no settings beside it, not even root's, who owns /usr/bin.
  EXPECT_EQ(platform::settingsFolder("/usr/bin", config.string(), "/nowhere"), config / "formix");
  EXPECT_EQ(platform::settingsFolder("/usr/local/bin", config.string(), "/nowhere"), config / "formix");
}

// An X server of the test's own (Xvfb), stopped at the end of the test. The display number is
// drawn at random from a high range: a low free-looking number may be another X server's, whose
// abstract socket a client would reach first.
class OwnXServer {
 public:
  OwnXServer() {
    std::srand(static_cast<unsigned>(getpid()));
    for (int attempt = 0; attempt < 5 && number_ < 0; ++attempt) start(3000 + std::rand() % 30000);
  }
  ~OwnXServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  int number() const { return number_; }

 private:
  void start(int display) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string name = ":" + std::to_string(display), fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", name.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char buffer[16] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);  // the display number, once it listens
    close(fds[0]);
    // A server that wrote its number may still end at once (its display was in use after all):
    // it counts only once a client gets through.
    for (int i = 0; n > 0 && i < 50 && number_ < 0; ++i) {
      xcb_connection_t* probe = xcb_connect((":" + std::to_string(display)).c_str(), nullptr);
      if (xcb_connection_has_error(probe) == 0) number_ = display;
      xcb_disconnect(probe);
      if (number_ < 0) usleep(20000);
    }
    if (number_ < 0) {  // that display was taken, or there is no Xvfb
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

  pid_t pid_ = -1;
  int number_ = -1;
};

TEST(LinuxProcess, OneInstancePerUserAndDisplayWhateverTheDisplaysName) {
  OwnXServer server;
  if (server.number() < 0) GTEST_SKIP() << "Xvfb is not installed";
  const std::string displayWas = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
  const std::string n = std::to_string(server.number());
  setenv("DISPLAY", (":" + n).c_str(), 1);
  {
    platform::LinuxProcess first(nullptr);
    EXPECT_FALSE(first.anotherInstanceRunning());
    for (const std::string& name : {":" + n, "unix:" + n, ":" + n + ".0"}) {
      setenv("DISPLAY", name.c_str(), 1);
      platform::LinuxProcess second(nullptr);
      EXPECT_TRUE(second.anotherInstanceRunning()) << name;
    }
  }
  platform::LinuxProcess later(nullptr);  // the first one ended: the lock is free again
  EXPECT_FALSE(later.anotherInstanceRunning());
  setenv("DISPLAY", ":99999", 1);  // no display at all: start, and let start-up say why not
  platform::LinuxProcess nowhere(nullptr);
  EXPECT_FALSE(nowhere.anotherInstanceRunning());
  setenv("DISPLAY", displayWas.c_str(), 1);
}

TEST(LinuxProcess, ALockHolderIsFormixOnlyWhenItRunsThisVeryProgram) {
  ScratchFolder folder;
  writeFile(folder.path() / "formix", "program");
  writeFile(folder.path() / "copy", "program");  // a portable copy beside the build
  writeFile(folder.path() / "other", "program!");
  EXPECT_TRUE(platform::sameProgram("/proc/self/exe", "/proc/" + std::to_string(getpid()) + "/exe"));
  EXPECT_TRUE(platform::sameProgram(folder.path() / "formix", folder.path() / "copy"));
  EXPECT_FALSE(platform::sameProgram(folder.path() / "formix", folder.path() / "other"));
  EXPECT_FALSE(platform::sameProgram(folder.path() / "gone", folder.path() / "formix"));  // unreadable: not ours
  EXPECT_FALSE(platform::sameProgram("/proc/self/exe", folder.path() / "formix"));
}

TEST(X11Keyboard, TheModelsVirtualKeysHaveKeysyms) {
  EXPECT_EQ(platform::x11::keysymOf(Key::Control), 0xffe3u);  // Control_L
  EXPECT_EQ(platform::x11::keysymOf(Key::V), static_cast<uint32_t>('v'));
  EXPECT_EQ(platform::x11::keysymOf(Key::Tab), 0xff09u);    // Tab
  EXPECT_EQ(platform::x11::keysymOf(Key::Enter), 0xff0du);  // Return
  EXPECT_EQ(platform::x11::keysymOf(static_cast<Key>(0xE5)), 0u);  // a key the model never sends
}

TEST(X11Keyboard, TerminalsGetTheirOwnPasteKeyByTheirWindowClass) {
  using platform::x11::pasteKeysOf;
  using platform::x11::wmClassStrings;
  using Keys = std::vector<Key>;
  const Keys ctrlV{Key::Control, Key::V}, ctrlShiftV{Key::Control, Key::Shift, Key::V}, shiftInsert{Key::Shift, Key::Insert};
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
  EXPECT_EQ(platform::x11::keysymOf(Key::Insert), 0xff63u);  // Insert
  EXPECT_EQ(platform::x11::keysymOf(Key::Shift), 0xffe1u);   // Shift_L
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
  // A file with the execute bit that is no program (a shell would run it as a script), and a
  // program named relative to the working directory, are not started.
  const auto ran = scratch / "ran";
  writeFile(scratch / "notes", "touch '" + ran.string() + "'\n");
  chmod((scratch / "notes").c_str(), 0755);
  writeFile(scratch / "local", "#!/bin/sh\ntouch '" + ran.string() + "'\n");
  chmod((scratch / "local").c_str(), 0755);
  EXPECT_FALSE(shell.startProgram((scratch / "notes").u16string() + u" x", 2));
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch.path());
  EXPECT_FALSE(shell.startProgram(u"./local x", 2));
  std::filesystem::current_path(cwd);
  usleep(200000);
  EXPECT_FALSE(std::filesystem::exists(ran));
}

TEST(LinuxShell, OnlyProgramsFoundByFormixInAnExecutableFormatStart) {
  ScratchFolder scratch;
  const auto bin = scratch / "bin";
  std::filesystem::create_directory(bin);
  const auto executable = [&](const std::filesystem::path& file, const std::string& content) {
    writeFile(file, content);
    chmod(file.c_str(), 0755);
  };
  executable(bin / "gedit", "#!/bin/sh\n");
  executable(bin / "report", "#!/bin/sh\n");
  executable(bin / "data", "a spreadsheet that came with the execute bit from an exFAT stick");
  executable(bin / "-x", "#!/bin/sh\n");
  writeFile(bin / "report 2024.pdf", "%PDF");
  const std::string path = "/nowhere:" + bin.string();
  const std::string home = "/home/taro";
  using Argv = std::vector<std::string>;

  // A command line starts its program with its arguments, "~/" being the home folder.
  auto command = platform::programCommand("gedit ~/notes.txt \"a b\"", path, home);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->file, (bin / "gedit").string());
  EXPECT_EQ(command->argv, (Argv{"gedit", "/home/taro/notes.txt", "a b"}));
  command = platform::programCommand((bin / "gedit").string() + " x", "", home);  // an absolute path
  ASSERT_TRUE(command);
  EXPECT_EQ(command->argv, (Argv{(bin / "gedit").string(), "x"}));
  command = platform::programCommand("/bin/true", "", home);  // an ELF program by itself
  ASSERT_TRUE(command);
  EXPECT_EQ(command->argv, (Argv{"/bin/true"}));

  // A whole line that names a file is a document, though its first word names a program.
  EXPECT_FALSE(platform::programCommand((bin / "report 2024.pdf").string(), path, home));
  EXPECT_FALSE(platform::programCommand(bin.string(), path, home));  // a folder
  // Not an executable format: the system would hand it to /bin/sh.
  EXPECT_FALSE(platform::programCommand((bin / "data").string(), path, home));
  EXPECT_FALSE(platform::programCommand("data x", path, home));
  // Never relative to the working directory: not a relative path, not a relative PATH entry.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(scratch.path());
  EXPECT_FALSE(platform::programCommand("bin/gedit", path, home));
  EXPECT_FALSE(platform::programCommand("./bin/gedit", path, home));
  EXPECT_FALSE(platform::programCommand("https:/example.org/a", "bin:.:", home));
  EXPECT_FALSE(platform::programCommand("gedit", "bin::.", home));
  std::filesystem::current_path(bin);
  EXPECT_FALSE(platform::programCommand("gedit", ":.", home));
  std::filesystem::current_path(cwd);
  // A word starting with "-" is never a program.
  EXPECT_FALSE(platform::programCommand("-x", path, home));

  EXPECT_TRUE(platform::hasExecutableFormat("/bin/true"));
  EXPECT_FALSE(platform::hasExecutableFormat((bin / "data").string()));
  EXPECT_FALSE(platform::hasExecutableFormat((bin / "none").string()));
}

TEST(LinuxShell, DocumentsAndAddressesReachXdgOpenAsOneArgumentThatIsNoOption) {
  ScratchFolder scratch;
  const auto seen = scratch / "seen";
  // An xdg-open that writes its number of arguments and the first one, one line per call.
  writeFile(scratch / "xdg-open", "#!/bin/sh\necho \"$#:$1\" >>'" + seen.string() + "'\n");
  chmod((scratch / "xdg-open").c_str(), 0755);
  const std::string pathWas = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", (scratch.path().string() + ":" + pathWas).c_str(), 1);
  platform::LinuxShell shell;
  shell.shellOpen(0, u"https://example.org/a b");
  shell.shellOpen(0, u"-x");
  shell.shellOpen(0, u"/home/taro/report 2024.pdf");
  setenv("PATH", pathWas.c_str(), 1);
  std::vector<std::string> got;
  for (int i = 0; i < 300 && got.size() < 3; ++i) {
    usleep(10000);
    got.clear();
    std::istringstream lines(std::filesystem::exists(seen) ? readFile(seen) : "");
    for (std::string line; std::getline(lines, line);) got.push_back(line);
  }
  std::sort(got.begin(), got.end());  // the three openers run side by side
  EXPECT_EQ(got, (std::vector<std::string>{"1:./-x", "1:/home/taro/report 2024.pdf", "1:https://example.org/a b"}));
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

TEST(LinuxHookLoader, ReportsAreAcceptedOnlyWithTheLibrarysKeyAndACodeTheModesProduce) {
  ScratchFolder folder;
  platform::LinuxHookLoader loader(folder.path(), "");
  constexpr std::uint64_t key = 0x0123456789abcdefULL;  // the test library's
  EXPECT_FALSE(loader.acceptsReport(key, 1000));  // no library: nothing is a report
  std::filesystem::copy_file(FORMIX_REFUSING_HOOK, folder / "libfmxhook_test.so");
  auto exports = loader.loadHookLibrary("fmxhook_test");
  ASSERT_TRUE(exports.has_value());
  // Mouse mode 0 and key mode 0: the hook reports nothing at all.
  EXPECT_FALSE(loader.acceptsReport(key, 1000));
  EXPECT_FALSE(loader.acceptsReport(key, 2000));
  exports->M_Mode[3]();
  EXPECT_TRUE(loader.acceptsReport(key, 1000));
  EXPECT_FALSE(loader.acceptsReport(key, 2000));  // a whole-form fill needs key mode 2
  EXPECT_FALSE(loader.acceptsReport(key ^ 1, 1000));  // any other client of the display
  EXPECT_FALSE(loader.acceptsReport(0, 1000));
  exports->M_Mode[0]();
  exports->K_Mode[2]();
  EXPECT_FALSE(loader.acceptsReport(key, 1000));
  EXPECT_TRUE(loader.acceptsReport(key, 2000));
  exports->K_Mode[1]();
  EXPECT_TRUE(loader.acceptsReport(key, 1000));
  EXPECT_FALSE(loader.acceptsReport(key, 3000));
}

}  // namespace
}  // namespace formix::testing
