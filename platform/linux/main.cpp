// formix: the Linux desktop program. The frmMain model behind a Qt view and X11 ports.
#include <QApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <cstdlib>
#include <iostream>

#include "app/main_window.h"
#include "bridge/bridge_browsers.h"
#include "bridge/bridge_server.h"
#include "bridge/socket_path.h"
#include "platform/linux/autostart.h"
#include "platform/linux/browser_integration.h"
#include "platform/linux/end_signals.h"
#include "platform/linux/global_shortcuts.h"
#include "platform/linux/hook_reports.h"
#include "platform/linux/linux_process.h"
#include "platform/linux/linux_session.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/qt_popup.h"
#include "platform/linux/qt_ports.h"
#include "platform/linux/qt_tray.h"
#include "platform/linux/qt_view.h"
#include "platform/linux/sway_bindings.h"
#include "platform/linux/trigger_channel.h"
#include "platform/linux/x11_clipboard.h"
#include "platform/linux/x11_keyboard.h"
#include "platform/linux/x11_windows.h"
#include "platform/linux/xwayland_focus.h"
#include "text/utf.h"
#ifdef FORMIX_WAYLAND
#include "platform/linux/gnome_desktop.h"
#include "platform/linux/wayland_desktop.h"
#endif
#ifdef FORMIX_KWIN
#include "platform/linux/kwin_active_window.h"
#include "platform/linux/kwin_desktop.h"
#include "platform/linux/kwin_rules.h"
#endif

using namespace formix;
using namespace formix::platform;

namespace {

// When the X server goes away (a session that ends without signalling its programs), Qt ends the
// process with exit(): the settings are saved then, as a close would save them.
std::function<void()> saveAtExit;
void runSaveAtExit() {
  if (auto save = std::exchange(saveAtExit, nullptr)) save();
}

}  // namespace

int main(int argc, char** argv) {
  if (auto status = runTriggerOption(argc, argv)) return *status;
  if (argc == 2) {
    if (auto status = runBrowserIntegrationOption(argv[1], executableFolder())) return *status;
  }
  if (auto status = runAutostartOption(argc, argv, executableFolder() / "formix")) return *status;
  // On a Wayland session whose compositor lets a client type and own the clipboard, the program
  // is a Wayland client; otherwise the ports speak X11, through XWayland on a Wayland session.
  // Programs that phrases start get the environment as it was.
#ifdef FORMIX_WAYLAND
  std::unique_ptr<wayland::WaylandSession> wl;
#ifdef FORMIX_KWIN
  // KDE Plasma: KWin types for formix through fake input, when formix's desktop file grants it.
  std::optional<wayland::FakeInputKeyboard> fakeInput;
#endif
  bool onKWin = false;
  bool throughXWayland = false;  // a Wayland session, whose X11 programs are all formix's ports see
  if (std::getenv("WAYLAND_DISPLAY") != nullptr) {
    wl = std::make_unique<wayland::WaylandSession>();
    std::string missing;
    if (wl->connected() && !wayland::canTypeOn(*wl, &missing)) {
#ifdef FORMIX_KWIN
      if (wayland::isKWin(*wl)) {
        fakeInput.emplace(*wl, "Formix");
        onKWin = wayland::canTypeOnKWin(*wl, *fakeInput, &missing);
        if (!onKWin) {
          std::cerr << "formix: KWin offers formix no " << missing << ", so phrases reach only X11 programs through "
                    << "XWayland; install the package, or put a desktop file with Exec=" << executableFolder().string()
                    << "/formix and X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input into ~/.local/share/applications "
                       "and log in again\n";
        }
      } else
#endif
      if (wayland::isMutter(*wl)) {
        std::cerr << wayland::kMutterNotice;
      } else {
        std::cerr << "formix: this Wayland desktop offers no " << missing
                  << ", so phrases reach only X11 programs through XWayland\n";
      }
    }
    throughXWayland = wl->connected() && !missing.empty();
    if (!wl->connected() || !missing.empty()) {
#ifdef FORMIX_KWIN
      fakeInput.reset();  // it speaks through the session, and ends before it
#endif
      wl.reset();
    }
  }
  const bool onWayland = wl != nullptr;
#else
  const bool onWayland = false;
  const bool onKWin = false;
  const bool throughXWayland = false;
#endif
  const char* platformBefore = std::getenv("QT_QPA_PLATFORM");
  const std::optional<std::string> platformWas = platformBefore ? std::optional<std::string>(platformBefore) : std::nullopt;
  // Without Qt's Wayland plugin the window goes through XWayland; the ports stay Wayland's.
  setenv("QT_QPA_PLATFORM", onWayland ? "wayland;xcb" : "xcb", 1);
  // Programs that phrases start are not waited for, and leave no zombie behind.
  struct sigaction children {};
  children.sa_handler = SIG_DFL;
  children.sa_flags = SA_NOCLDWAIT;
  sigaction(SIGCHLD, &children, nullptr);

  x11::Connection x;
  if (!x.connected() && !onWayland) {
    std::cerr << "formix: cannot connect to the X display" << (std::getenv("DISPLAY") ? "" : " ($DISPLAY is not set)") << '\n';
    return 1;
  }
  QApplication application(argc, argv);
  if (platformWas) setenv("QT_QPA_PLATFORM", platformWas->c_str(), 1);
  else unsetenv("QT_QPA_PLATFORM");
  QApplication::setApplicationName(QStringLiteral("Formix"));
  QApplication::setQuitOnLastWindowClosed(false);
  if (argc > 1) {
    std::cerr << "formix: unknown option '" << argv[1] << "'\n";
    return 2;
  }

  qt::QtScreen screen;
  LinuxProcess process([] { QCoreApplication::exit(0); });
  qt::FormView view(screen, x, [] { QCoreApplication::exit(0); });
  // The trigger channel's name on the session bus is the one-instance lock where there is no X
  // display to hold it.
  std::function<void(const triggers::NamedTrigger&)> runTrigger;  // set once the model exists
  TriggerService triggerService([&](const triggers::NamedTrigger& trigger) {
    if (runTrigger) runTrigger(trigger);
  });
  std::optional<x11::X11Windows> x11Windows;
  std::optional<x11::X11Keyboard> x11Keyboard;
  std::optional<x11::X11Clipboard> x11Clipboard;
  std::optional<QSocketNotifier> eventsArrive;
  ports::WindowSystem* windowsPort = nullptr;
  ports::Keyboard* keyboardPort = nullptr;
  ports::Clipboard* clipboardPort = nullptr;
#ifdef FORMIX_WAYLAND
  std::optional<wayland::VirtualKeyboard> virtualKeyboard;
  std::optional<wayland::ClipboardThread> dataControl;
  std::optional<wayland::Toplevels> toplevels;
  std::optional<wayland::WaylandWindows> wlWindows;
  std::optional<wayland::WaylandKeyboard> wlKeyboard;
  std::optional<wayland::WaylandClipboard> wlClipboard;
  wayland::NoHookLoader noHook;
#ifdef FORMIX_KWIN
  KWinActiveWindow kwinActive;
  std::optional<wayland::KWinWindows> kwinWindows;
  std::optional<wayland::KWinKeyboard> kwinKeyboard;
  RuleInstall barRule = RuleInstall::Unchanged;
#endif
  if (onWayland) {
    if (!x.connected() && !triggerService.claimName(nullptr) && triggerService.nameTakenByAnother()) return 0;
    dataControl.emplace();
    clipboardPort = &wlClipboard.emplace(*dataControl);
  }
#ifdef FORMIX_KWIN
  if (onKWin) {
    // The bar's rule is in place before the bar appears; KWin reads it a moment after it is asked.
    std::string why;
    barRule = installBarRule(kwinRulesPath(), &why);
    if (barRule == RuleInstall::Failed) {
      std::cerr << "formix: the KWin rule that keeps the bar from taking the focus could not be written: " << why << '\n';
    } else if (barRule == RuleInstall::Written) {
      askKWinToReconfigure();
    }
    // The script's reports come to formix's name on the bus, which it owns from here on.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool haveRuntime = runtime != nullptr && runtime[0] == '/';
    if (!haveRuntime) why = "XDG_RUNTIME_DIR is not set to an absolute path";
    if (!haveRuntime || !triggerService.claimName(&why) ||
        !kwinActive.start(std::filesystem::path(runtime) / "formix-kwin-active-window.js", &why)) {
      std::cerr << "formix: KWin does not tell formix which program has the focus (" << why << "): phrases are typed into none\n";
    }
    windowsPort = &kwinWindows.emplace(kwinActive, view);
    keyboardPort = &kwinKeyboard.emplace(*fakeInput, kwinActive);
  }
#endif
  if (onWayland && !onKWin) {
    virtualKeyboard.emplace(*wl);
    toplevels.emplace(*wl);
    virtualKeyboard->prepare();
    if (!toplevels->available()) {
      std::cerr << "formix: this Wayland desktop does not tell which program has the focus: phrases are typed "
                   "into none\n";
    }
    windowsPort = &wlWindows.emplace(*toplevels, view);
    keyboardPort = &wlKeyboard.emplace(*virtualKeyboard, *toplevels);
  }
  if (onWayland) {
    // The compositor's news of the windows (the focus moving, titles) is read as it comes, while
    // the event loop runs; the clipboard is served on a thread of its own.
    eventsArrive.emplace(wl->fd(), QSocketNotifier::Read);
    QObject::connect(&*eventsArrive, &QSocketNotifier::activated, [&] {
      if (!wl->dispatch()) eventsArrive->setEnabled(false);
    });
  }
#endif
  std::optional<xwayland::FocusWatch> xwaylandFocus;
  std::optional<xwayland::XWaylandWindows> xwaylandWindows;
  std::optional<xwayland::XWaylandKeyboard> xwaylandKeyboard;
  if (!onWayland) {
    windowsPort = &x11Windows.emplace(x, view);
    keyboardPort = &x11Keyboard.emplace(x);
  }
  if (throughXWayland) {
    // The Wayland programs are one window more to the X11 ports, reached by the fill alone.
    xwaylandFocus.emplace(x, [&](ports::WindowHandle h) { return xwayland::formixTitle(x11Windows->windowText(h)); });
    application.installNativeEventFilter(&*xwaylandFocus);
    const xwayland::FocusSource focus = [&] { return xwaylandFocus->state(); };
    windowsPort = &xwaylandWindows.emplace(*x11Windows, focus);
    keyboardPort = &xwaylandKeyboard.emplace(*x11Keyboard, focus, [told = false]() mutable {
      std::cerr << "formix: the phrase is on the clipboard: formix cannot press keys in Wayland programs here\n";
      if (!told) qt::showNotice(xwayland::kPasteYourselfNotice);
      told = true;
    });
  }
  if (!onWayland) {
    // The clipboard answers other programs' requests as they come, while the event loop runs.
    clipboardPort = &x11Clipboard.emplace();
    eventsArrive.emplace(x11Clipboard->fd(), QSocketNotifier::Read);
    QObject::connect(&*eventsArrive, &QSocketNotifier::activated, [&] {
      if (!x11Clipboard->serve()) eventsArrive->setEnabled(false);  // a closed socket stays readable
    });
  }
  ports::WindowSystem& windows = *windowsPort;
  qt::QtTray tray(view, screen);
  LinuxShell shell;
  qt::QtMessageBoxes messages;
  process.warn = [&](std::u16string_view text) { messages.showMessage(text, u"Formix", ports::MessageBoxes::kExclamation); };
  qt::QtPopupMenus popups(view);
  LinuxHookLoader x11HookLoader(executableFolder(), executableFolder() / FORMIX_HOOK_FOLDER);
#ifdef FORMIX_WAYLAND
  ports::HookLibraryLoader& hookLoader = onWayland ? static_cast<ports::HookLibraryLoader&>(noHook) : x11HookLoader;
#else
  ports::HookLibraryLoader& hookLoader = x11HookLoader;
#endif
  qt::QtEventLoop events;
  LinuxSessionFacts session;
  // Browsers' pages come through the browser extension and its relay, to a socket only this
  // user can open. Without it the fill finds no browser, as for any other program. There is no
  // Internet Explorer here: no browser is filled as HTML.
  const auto socketPath = bridge::defaultSocketPath();
  bridge::BridgeServer bridgeServer(socketPath.value_or(""));
  bridge::BridgeBrowsers browsers(bridgeServer, windows);
#ifdef FORMIX_WAYLAND
  // A Wayland client learns no window's process: the browser that says its window has the
  // keyboard focus is the window the compositor says is focused.
  if (onWayland) {
    browsers.focusedWindow = [&]() -> bridge::BridgeBrowsers::FocusedWindow {
      if (toplevels) {
        const auto active = toplevels->active();
        if (!active) return {};
        return {active->id, active->focusedSince};
      }
#ifdef FORMIX_KWIN
      // KWin's script tells the window but not since when: the bar's case falls back to titles.
      if (onKWin) {
        const auto active = kwinActive.active();
        if (active) return {active->id, 0};
      }
#endif
      return {};
    };
  }
#endif
  if (throughXWayland) {
    browsers.focusedWindow = [&]() -> bridge::BridgeBrowsers::FocusedWindow {
      const auto focused = xwaylandWindows->focused();
      return {focused.window, focused.since, focused.x11};
    };
  }
  browsers.onNotConnected = [] { qt::showNotice(bridge::kNotConnectedMessage); };
  browsers.onTwoFocused = [] {
    std::cerr << "formix: two browsers say their window has the focus: nothing was filled\n";
    qt::showNotice(bridge::kTwoFocusedMessage);
  };
  qt::LocalClock clock;
  ports::Desktop desktop{windows, screen,  *keyboardPort, *clipboardPort, tray,    shell,    messages,  popups,
                         hookLoader, events, process, session, &browsers, nullptr, clock};

  std::optional<qt::HookReports> reports;
  if (!onWayland) {
    reports.emplace(view, x.atom("_FORMIX_HOOK"),
                    [&](std::uint64_t key, std::int32_t code) { return x11HookLoader.acceptsReport(key, code); });
    application.installNativeEventFilter(&*reports);
  }

  app::FrmMain program(desktop);
  view.attach(program);
#ifdef FORMIX_KWIN
  if (barRule == RuleInstall::Written) {
    // KWin reads its rules a fifth of a second after it is asked to: the bar appears after that.
    QEventLoop rulesRead;
    QTimer::singleShot(400, &rulesRead, &QEventLoop::quit);
    rulesRead.exec();
  }
#endif
  view.call([&] { program.Form_Load(); });
  // A second instance, a lock held by another program, or a refused hook: nothing more is touched.
  if (process.ended()) return process.exitStatus();
  runTrigger = [&](const triggers::NamedTrigger& trigger) { view.call([&] { program.runNamedTrigger(trigger); }); };
  if (std::string why; !triggerService.start(&why)) std::cerr << "formix: formix --trigger cannot reach this formix: " << why << '\n';
  std::optional<GlobalShortcuts> desktopShortcuts;
  if (onWayland) {
    // No program may watch other programs' input on Wayland: the gestures are the compositor's.
    int mouseMode = 0, keyMode = 0;
    for (int i = 0; i < 5; ++i) {
      if (program.optMS(i).value() != 0) mouseMode = i;
      if (i < 3 && program.optWK(i).value() != 0) keyMode = i;
    }
    if (onKWin) {
#ifdef FORMIX_KWIN
      // The desktop's shortcuts for the gestures where its portal registers them; else the
      // custom shortcuts to add by hand. What formix says is shown in a window too the first time
      // it runs on this desktop (its rule was new).
      const std::string formixPath = (executableFolder() / "formix").string();
      const bool firstRun = barRule == RuleInstall::Written;
      const auto say = [firstRun](const std::string& line) {
        std::cerr << "formix: " << line << '\n';
        if (firstRun) qt::showNotice(text::fromUtf8Lossy(line));
      };
      desktopShortcuts.emplace(
          [&](const std::string& id) {
            if (const auto trigger = triggers::parseNamedTrigger(id)) runTrigger(*trigger);
          },
          [say, formixPath](const std::vector<std::pair<std::string, std::string>>& keys) {
            say("on KDE Plasma " + boundGesturesNotice(keys, formixPath));
          },
          [say, formixPath](const std::string& why) {
            std::cerr << "formix: the desktop registers no shortcuts for formix (" << why << ")\n";
            say(kwinGesturesNotice(formixPath));
          });
      desktopShortcuts->start(gestureShortcuts());
#endif
    } else if (std::getenv("SWAYSOCK") != nullptr) {
      std::cerr << "formix: on sway the gestures are sway's own bindings; these lines in ~/.config/sway/config make them:\n"
                << swayBindings(mouseMode, keyMode, (executableFolder() / "formix").string());
    } else {
      std::cerr << "formix: on this Wayland desktop bind keys to `formix --trigger menu`, `fill` or `phrase:PAGE:PHRASE` "
                   "for the gestures\n";
    }
  }
  closeOnEndSignals([&] { view.call([&] { program.closeWindow(); }); });
  saveAtExit = [&] {
    if (!program.running()) return;
    view.detach();  // the display is gone: the save touches no window
    try {
      program.Form_QueryUnload();
    } catch (...) {
    }
  };
  std::atexit(runSaveAtExit);
  if (!socketPath) {
    std::cerr << "formix: browser bridge unavailable: XDG_RUNTIME_DIR is not set to an absolute path\n";
  } else if (std::string why; !bridgeServer.start(&why)) {
    std::cerr << "formix: browser bridge unavailable: " << why << '\n';
  }
  const int status = QApplication::exec();
  saveAtExit = nullptr;  // the program ended through its own close, which saved
  view.detach();
  return status;
}
