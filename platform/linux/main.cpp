// formix: the Linux desktop program. The frmMain model behind a Qt view and X11 ports.
#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <functional>
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
#include "platform/linux/hook_reports.h"
#include "platform/linux/linux_process.h"
#include "platform/linux/linux_session.h"
#include "platform/linux/linux_shell.h"
#include "platform/linux/qt_popup.h"
#include "platform/linux/qt_ports.h"
#include "platform/linux/qt_tray.h"
#include "platform/linux/qt_view.h"
#include "platform/linux/x11_clipboard.h"
#include "platform/linux/x11_keyboard.h"
#include "platform/linux/x11_windows.h"

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
  if (argc == 2) {
    if (auto status = runBrowserIntegrationOption(argv[1], executableFolder())) return *status;
  }
  if (auto status = runAutostartOption(argc, argv, executableFolder() / "formix")) return *status;
  // The ports speak X11; on a Wayland session the program runs through XWayland. Programs that
  // phrases start get the environment as it was.
  const char* platformBefore = std::getenv("QT_QPA_PLATFORM");
  const std::optional<std::string> platformWas = platformBefore ? std::optional<std::string>(platformBefore) : std::nullopt;
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // Programs that phrases start are not waited for, and leave no zombie behind.
  struct sigaction children {};
  children.sa_handler = SIG_DFL;
  children.sa_flags = SA_NOCLDWAIT;
  sigaction(SIGCHLD, &children, nullptr);

  x11::Connection x;
  if (!x.connected()) {
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
  x11::X11Windows windows(x, view);
  x11::X11Keyboard keyboard(x);
  // The clipboard answers other programs' requests as they come, while the event loop runs.
  x11::X11Clipboard clipboard;
  QSocketNotifier clipboardRequests(clipboard.fd(), QSocketNotifier::Read);
  QObject::connect(&clipboardRequests, &QSocketNotifier::activated, [&] {
    if (!clipboard.serve()) clipboardRequests.setEnabled(false);  // a closed socket stays readable
  });
  qt::QtTray tray(view, screen);
  LinuxShell shell;
  qt::QtMessageBoxes messages;
  process.warn = [&](std::u16string_view text) { messages.showMessage(text, u"Formix", ports::MessageBoxes::kExclamation); };
  qt::QtPopupMenus popups(view);
  LinuxHookLoader hookLoader(executableFolder(), executableFolder() / FORMIX_HOOK_FOLDER);
  qt::QtEventLoop events;
  LinuxSessionFacts session;
  // Browsers' pages come through the browser extension and its relay, to a socket only this
  // user can open. Without it the fill finds no browser, as for any other program. There is no
  // Internet Explorer here: no browser is filled as HTML.
  const auto socketPath = bridge::defaultSocketPath();
  bridge::BridgeServer bridgeServer(socketPath.value_or(""));
  bridge::BridgeBrowsers browsers(bridgeServer, windows);
  browsers.onNotConnected = [] { qt::showNotice(bridge::kNotConnectedMessage); };
  qt::LocalClock clock;
  ports::Desktop desktop{windows, screen,  keyboard, clipboard, tray,    shell,    messages,  popups,
                         hookLoader, events, process, session, &browsers, nullptr, clock};

  qt::HookReports reports(view, x.atom("_FORMIX_HOOK"),
                          [&](std::uint64_t key, std::int32_t code) { return hookLoader.acceptsReport(key, code); });
  application.installNativeEventFilter(&reports);

  app::FrmMain program(desktop);
  view.attach(program);
  view.call([&] { program.Form_Load(); });
  // A second instance, a lock held by another program, or a refused hook: nothing more is touched.
  if (process.ended()) return process.exitStatus();
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
