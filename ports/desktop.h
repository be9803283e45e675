// The desktop ports: the only way the main window model reaches a desktop.
//
// Each port is a small abstract interface named after what it serves. A desktop (the simulated
// one for tests and headless runs, the Linux desktop, the Windows desktop) implements all of them;
// the model receives them bundled in `Desktop`. Windows are named by `WindowHandle`
// (window_handle.h); geometry crosses the ports in twips (1/1440 inch).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/browsers.h"
#include "ports/keys.h"
#include "ports/session.h"
#include "ports/window_handle.h"

namespace formix::ports {

inline constexpr int32_t kStyleCaption = 0x00C00000;  // WS_CAPTION
inline constexpr int32_t kExStyleTopmost = 0x00000008;  // WS_EX_TOPMOST
inline constexpr int kGwlStyle = -16;
inline constexpr int kGwlExStyle = -20;

// Top-level windows, their z-order, styles and titles, and the foreground.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The program's own main window: created once per run, hidden, with this caption.
  virtual WindowHandle createMainWindow(std::u16string_view caption) = 0;
  virtual void setWindowVisible(WindowHandle window, bool visible) = 0;
  virtual void setWindowCaption(WindowHandle window, std::u16string_view caption) = 0;
  virtual void setWindowBounds(WindowHandle window, double left, double top, double width, double height) = 0;
  // SetWindowPos(window, HWND_TOPMOST, ..., SWP_NOMOVE | SWP_NOSIZE).
  virtual void makeTopmost(WindowHandle window) = 0;

  // GetWindow(window, GW_HWNDFIRST) and GetWindow(window, GW_HWNDNEXT): the z-order walk of the
  // top-level windows, front to back; 0 at the end.
  virtual WindowHandle firstWindow(WindowHandle window) = 0;
  virtual WindowHandle nextWindow(WindowHandle window) = 0;
  // IsWindowVisible: exactly 1 for a visible window.
  virtual int isWindowVisible(WindowHandle window) = 0;
  // GetWindowLongA with kGwlStyle or kGwlExStyle.
  virtual int32_t windowLong(WindowHandle window, int index) = 0;
  // The title as GetWindowTextA copies it; "" for none.
  virtual std::u16string windowText(WindowHandle window) = 0;

  virtual bool setForegroundWindow(WindowHandle window) = 0;
  virtual WindowHandle desktopWindow() = 0;

  // The process that owns a top-level window (X11: _NET_WM_PID; Win32: GetWindowThreadProcessId);
  // 0 when the desktop cannot tell.
  virtual int64_t windowProcess(WindowHandle /*window*/) { return 0; }
  // Where a top-level window lies on the screen, in pixels: left, top, width, height of what its
  // program drew (without a frame the window manager added). nullopt when unknown.
  struct PixelBounds {
    int64_t left = 0, top = 0, width = 0, height = 0;
  };
  virtual std::optional<PixelBounds> windowBounds(WindowHandle /*window*/) { return std::nullopt; }
};

// The screen the main window lives on.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual double widthTwips() = 0;
  virtual double heightTwips() = 0;
  virtual double twipsPerPixelX() = 0;
  virtual double twipsPerPixelY() = 0;
};

// Synthetic keystrokes.
class Keyboard {
 public:
  virtual ~Keyboard() = default;
  virtual void keyEvent(Key key, KeyAction action) = 0;

  // The keys that paste the clipboard into `target`, pressed in this order and released in
  // reverse: Ctrl+V, unless the desktop knows the program to take another paste key (terminal
  // emulators on X11).
  virtual std::vector<Key> pasteKeys(WindowHandle /*target*/) { return {Key::Control, Key::V}; }
  // The names by which a user can pick out the program of `target` in the settings file (on X11
  // the instance and class of WM_CLASS); none where the desktop cannot tell.
  virtual std::vector<std::u16string> programNames(WindowHandle /*target*/) { return {}; }
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual bool clear() = 0;
  virtual bool setText(std::u16string_view text) = 0;
  virtual std::optional<std::u16string> text() = 0;

  // Offers `text` also as the selection that Shift+Insert pastes in some programs (X11's PRIMARY);
  // false where the desktop has no such selection.
  virtual bool setSelectionText(std::u16string_view /*text*/) { return false; }
  // A paste key is about to go to `target`: from now on pasteFetched() tells whether its program
  // has been handed the text. On a desktop where a program reads the clipboard as it handles the
  // paste key, keys sent after it arrive after the text anyway, and the paste counts as fetched.
  virtual void watchPaste(WindowHandle /*target*/) {}
  // Whether the program watched for has fetched the text (and every request of it is answered).
  virtual bool pasteFetched() { return true; }
};

// The notification-area icon record (the first, 88-byte form of NOTIFYICONDATAA).
struct TrayIconRecord {
  uint32_t cbSize = 0;
  WindowHandle window = 0;
  uint32_t id = 0;
  uint32_t flags = 0;
  uint32_t callbackMessage = 0;
  uint32_t icon = 0;  // picture handle
  std::string tip;    // 64 bytes, code page 932
};

class NotificationArea {
 public:
  virtual ~NotificationArea() = default;
  enum Operation { kAdd = 0, kModify = 1, kDelete = 2 };
  // Shell_NotifyIconA; the program never looks at the result.
  virtual bool notifyIcon(Operation operation, const TrayIconRecord& record) = 0;
};

// Starting programs and opening documents or addresses.
class Shell {
 public:
  virtual ~Shell() = default;
  // Starts a command line as a program with the given window style (2: minimized with focus).
  // false when it cannot be started.
  virtual bool startProgram(std::u16string_view commandLine, int windowStyle) = 0;
  // ShellExecuteA(owner, "open", target, "", "", SW_SHOW).
  virtual void shellOpen(WindowHandle owner, std::u16string_view target) = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  static constexpr int kCritical = 16;
  static constexpr int kExclamation = 48;
  virtual void showMessage(std::u16string_view text, std::u16string_view title, int flags) = 0;
};

// The popup menu is the model's own menu tree; the desktop only opens it at the mouse pointer.
class PopupMenus {
 public:
  virtual ~PopupMenus() = default;
  virtual void showPopupMenu(std::string_view menuName, int flags) = 0;
};

// The ten exports of the hook library, as found by name in the loaded library. A missing export
// is an empty function.
struct HookExports {
  std::function<int32_t()> SetHook;
  std::function<int32_t()> RemoveHook;
  std::function<void()> M_Mode[5];
  std::function<void()> K_Mode[3];
};

class HookLibraryLoader {
 public:
  virtual ~HookLibraryLoader() = default;
  // The exports of the library with this name, or nullopt when it cannot be loaded.
  virtual std::optional<HookExports> loadHookLibrary(std::string_view name) = 0;
};

// The event pump and the one-shot timer of the user-interface thread.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Runs the events that are waiting (DoEvents).
  virtual void doEvents() = 0;
  // Arms the window's timer: `tick` runs after `milliseconds`, and again every `milliseconds`
  // until disarmed with an interval of 0.
  virtual void setTimer(int milliseconds, std::function<void()> tick) = 0;
  // Runs events until `done` holds, but no longer than `milliseconds`; between events it sleeps.
  // The default runs what is waiting once.
  virtual void runEventsUntil(const std::function<bool()>& done, int /*milliseconds*/) {
    if (!done()) doEvents();
  }
};

// Local date and time.
struct LocalDateTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() = 0;
};

// Facts of the process beyond those of the session.
class Process {
 public:
  virtual ~Process() = default;
  virtual bool anotherInstanceRunning() = 0;
  // Ends the process at once. The model stops running after this call.
  virtual void endProcess() = 0;
};

// Every port, for the model.
struct Desktop {
  WindowSystem& windows;
  Screen& screen;
  Keyboard& keyboard;
  Clipboard& clipboard;
  NotificationArea& tray;
  Shell& shell;
  MessageBoxes& messages;
  PopupMenus& popups;
  HookLibraryLoader& hookLoader;
  EventLoop& events;
  Process& process;
  SessionFacts& session;
  // The browsers a whole-form fill reaches, by the protocol each speaks; nullptr where the
  // desktop has none of that kind.
  FactBrowsers* factBrowsers;
  HtmlDocuments* htmlDocuments;
  Clock& clock;
};

}  // namespace formix::ports
