// An in-memory desktop good enough to run the whole program headless: a z-ordered list of
// top-level windows, browsers of both kinds, a clipboard, a notification area, a keyboard and
// foreground log, recorded message boxes and programs started, a stand-in hook library and a virtual clock for the timer.
// Everything the program does to the desktop is written to a log that tests read back.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hook/shared_state.h"
#include "ports/desktop.h"
#include "platform/simulated/simulated_fact_browsers.h"
#include "platform/simulated/simulated_hook.h"

namespace formix::platform {

class SimulatedDesktop : public ports::WindowSystem,
                         public ports::Screen,
                         public ports::Keyboard,
                         public ports::Clipboard,
                         public ports::NotificationArea,
                         public ports::Shell,
                         public ports::MessageBoxes,
                         public ports::PopupMenus,
                         public ports::HookLibraryLoader,
                         public ports::EventLoop,
                         public ports::Process,
                         public ports::SessionFacts,
                         public ports::HtmlDocuments,
                         public ports::Clock {
 public:
  struct Window {
    ports::WindowHandle handle = 0;
    std::u16string title;
    bool visible = true;
    int32_t style = ports::kStyleCaption;
    int32_t exStyle = 0;
    bool mainWindow = false;
    double left = 0, top = 0, width = 0, height = 0;
    int64_t process = 0;  // the program that owns it; 0: not known
  };

  SimulatedDesktop();

  ports::Desktop ports();

  // ---- Set-up ----
  void setScreenPixels(int width, int height);
  void setUserName(std::optional<std::u16string> name) { userName_ = std::move(name); }
  void setProgramFolder(std::u16string folder) { folder_ = std::move(folder); }
  // A new top-level window in front of every window that is not always on top (or, when topmost,
  // in front of all).
  void addWindow(Window window);
  void setAnotherInstance(bool running) { anotherInstance_ = running; }
  void setHookRefused(bool refused) { hookEnv_.refuseHook(refused); }
  void setHookMissing(bool missing) { hookMissing_ = missing; }
  // A browser window in front (see addWindow) whose page body is `html`.
  void addBrowser(Window window, std::u16string html);
  // One more frame document in the browser's page.
  void addFrame(ports::WindowHandle browser, std::u16string html);
  // Today's browsers, which tell the facts of their pages (see showPage).
  SimulatedFactBrowsers& factBrowsers() { return factBrowsers_; }
  // A browser whose frame count cannot be read.
  void setFramesUnreadable(ports::WindowHandle browser);
  // The body of the top document (kTopDocument) or a frame; nullopt when there is none.
  std::optional<std::u16string> documentHtml(ports::WindowHandle browser, int frame) const;
  // The local date and time at virtual time 0.
  void setClock(ports::LocalDateTime start) { clockStart_ = start; }
  // Where messages posted to the main window are delivered (message, x, y in pixels); the view
  // of the running program sets it.
  std::function<void(uint32_t, int, int)> mainWindowInput;
  // Posts a message to a window; one for the main window is delivered by the next doEvents or
  // pumpMessages, one for any other window is only logged.
  void postMessage(ports::WindowHandle window, uint32_t message, int x, int y);
  // The thread of `window` retrieves `message` (with Ctrl held or not): the hook procedure judges
  // it when the hook is installed, and the log tells what the window received.
  void retrieveMessage(ports::WindowHandle window, uint32_t message, bool ctrlHeld);
  // The thread of `window` has a capture window with these styles.
  void setCapture(ports::WindowHandle window, int32_t exStyle, int32_t style);
  // A top-level window with exactly this caption, or 0.
  ports::WindowHandle findWindowByCaption(std::u16string_view caption) const;
  // Delivers what was posted, as the message loop does between events.
  void pumpMessages();

  // The name of a window's program, as a user names it in the settings file.
  void setProgramName(ports::WindowHandle window, std::u16string name) { programNames_[window] = std::move(name); }
  // How programs fetch a paste: nullopt (the default) as they handle the paste key, as on
  // Windows; otherwise this many milliseconds after the paste key, or never for infinity.
  void setPasteFetchDelay(std::optional<double> milliseconds) { pasteFetchDelay_ = milliseconds; }

  // Command lines that start as programs; any other fails to start.
  void addProgram(std::u16string commandLine) { programs_.insert(std::move(commandLine)); }

  // ---- What happened ----
  std::vector<std::string> takeLog();
  const Window* window(ports::WindowHandle handle) const;
  ports::WindowHandle foreground() const { return foreground_; }
  bool processEnded() const { return ended_; }
  bool trayIconShown() const { return trayIcon_.has_value(); }
  int mouseMode() const { return hookShared_.mouseMode; }
  int keyMode() const { return hookShared_.keyMode; }
  bool hookInstalled() const { return hookEnv_.installed(); }
  double nowMs() const { return now_; }

  // A new process of the program starts on this desktop.
  void resetProcess() { ended_ = false; }

  // Advances the virtual clock, firing the timer on the way.
  void advance(double milliseconds);

  // ---- Ports ----
  ports::WindowHandle createMainWindow(std::u16string_view caption) override;
  void setWindowVisible(ports::WindowHandle window, bool visible) override;
  void setWindowCaption(ports::WindowHandle window, std::u16string_view caption) override;
  void setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) override;
  void makeTopmost(ports::WindowHandle window) override;
  ports::WindowHandle firstWindow(ports::WindowHandle window) override;
  ports::WindowHandle nextWindow(ports::WindowHandle window) override;
  int isWindowVisible(ports::WindowHandle window) override;
  int32_t windowLong(ports::WindowHandle window, int index) override;
  std::u16string windowText(ports::WindowHandle window) override;
  bool setForegroundWindow(ports::WindowHandle window) override;
  ports::WindowHandle desktopWindow() override { return kDesktopHandle; }
  int64_t windowProcess(ports::WindowHandle window) override;
  std::optional<ports::WindowSystem::PixelBounds> windowBounds(ports::WindowHandle window) override;

  double widthTwips() override { return screenWidth_ * kTwipsPerPixel; }
  double heightTwips() override { return screenHeight_ * kTwipsPerPixel; }
  double twipsPerPixelX() override { return kTwipsPerPixel; }
  double twipsPerPixelY() override { return kTwipsPerPixel; }

  void keyEvent(ports::Key key, ports::KeyAction action) override;
  std::vector<std::u16string> programNames(ports::WindowHandle target) override;

  bool clear() override;
  bool setText(std::u16string_view text) override;
  std::optional<std::u16string> text() override { return clipboard_; }
  bool setSelectionText(std::u16string_view text) override;
  void watchPaste(ports::WindowHandle target) override;
  bool pasteFetched() override { return pasteFetched_; }

  bool notifyIcon(Operation operation, const ports::TrayIconRecord& record) override;

  bool startProgram(std::u16string_view commandLine, int windowStyle) override;
  void shellOpen(ports::WindowHandle owner, std::u16string_view target) override;

  void showMessage(std::u16string_view text, std::u16string_view title, int flags) override;

  void showPopupMenu(std::string_view menuName, int flags) override;

  std::optional<ports::HookExports> loadHookLibrary(std::string_view name) override;

  void doEvents() override;
  void setTimer(int milliseconds, std::function<void()> tick) override;
  void runEventsUntil(const std::function<bool()>& done, int milliseconds) override;

  bool anotherInstanceRunning() override { return anotherInstance_; }
  void endProcess() override;

  std::optional<std::u16string> userName() const override { return userName_; }
  std::u16string programFolder() const override { return folder_; }
  char16_t pathSeparator() const override { return u'/'; }

  std::vector<ports::WindowHandle> browserWindows() override;
  std::optional<int> frameCount(ports::WindowHandle browser) override;
  std::optional<std::u16string> bodyHtml(ports::WindowHandle browser, int frame) override;
  bool setBodyHtml(ports::WindowHandle browser, int frame, std::u16string_view html) override;

  ports::LocalDateTime now() override;

  static constexpr ports::WindowHandle kDesktopHandle = 0x10010;
  static constexpr ports::WindowHandle kMainHandle = 0x20000;
  static constexpr double kTwipsPerPixel = 15;

  // How a handle reads in the log: "frmMain", "desktop" or the number.
  std::string handleName(ports::WindowHandle handle) const;

 private:
  std::vector<Window>::iterator find(ports::WindowHandle handle);
  void log(std::string line) { log_.push_back(std::move(line)); }

  std::vector<Window> windows_;  // front to back
  std::vector<std::string> log_;
  int screenWidth_ = 1024, screenHeight_ = 768;
  std::optional<std::u16string> userName_ = u"user";
  std::u16string folder_ = u".";
  bool anotherInstance_ = false, hookMissing_ = false;
  std::set<std::u16string> programs_;
  ports::WindowHandle foreground_ = 0;
  std::optional<std::u16string> clipboard_;
  std::map<ports::WindowHandle, std::u16string> programNames_;
  std::optional<double> pasteFetchDelay_;
  std::optional<double> pasteFetchDue_;  // when the watched program fetches the paste
  ports::WindowHandle pasteTarget_ = 0;
  bool pasteFetched_ = true;
  std::optional<uint32_t> trayIcon_;
  hook::SharedState hookShared_;
  SimulatedHookEnvironment hookEnv_{*this};
  std::map<ports::WindowHandle, SimulatedHookEnvironment::Capture> captures_;
  bool ended_ = false;
  double now_ = 0;
  int timerInterval_ = 0;
  double timerDue_ = 0;
  std::function<void()> timerTick_;
  std::deque<std::function<void()>> posted_;
  struct Browser {
    ports::WindowHandle window;
    std::u16string top;
    std::vector<std::u16string> frames;
    bool framesReadable = true;
  };
  std::vector<Browser> browsers_;
  SimulatedFactBrowsers factBrowsers_{[this](std::string line) { log(std::move(line)); }};
  Browser* browser(ports::WindowHandle window);
  void postToMainWindow(uint32_t message, int x, int y);
  ports::LocalDateTime clockStart_{2026, 1, 5, 9, 0, 0};
};

// A text quoted for the log: "..." with \" \\ \r \n \t escaped.
std::string quoted(std::u16string_view text);

}  // namespace formix::platform
