// The Windows desktop's ports: user32, shell32, kernel32 and advapi32 behind the interfaces of
// ports/desktop.h. The popup menu (built from the model's tree) belongs to the view, and the
// browser documents to ie_documents.
#pragma once

#include <windows.h>

#include <functional>
#include <map>

#include "ports/desktop.h"

namespace formix::platform::win32 {

class Win32Desktop : public ports::WindowSystem,
                     public ports::Screen,
                     public ports::Keyboard,
                     public ports::Clipboard,
                     public ports::NotificationArea,
                     public ports::Shell,
                     public ports::MessageBoxes,
                     public ports::HookLibraryLoader,
                     public ports::EventLoop,
                     public ports::Process,
                     public ports::SessionFacts,
                     public ports::Clock {
 public:
  explicit Win32Desktop(HINSTANCE instance);
  ~Win32Desktop() override;
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;

  // The main window's procedure, set by the view once it exists; until then the system's own.
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> windowProcedure;
  HWND mainWindow() const { return main_; }
  // Icons for picture handles of the model (the tray pictures and the buttons' pictures).
  void addPicture(uint32_t picture, HICON icon) { pictures_[picture] = icon; }
  HICON picture(uint32_t handle) const;
  // Runs the timer's tick (WM_TIMER of the main window).
  void timerFired();
  bool ended() const { return ended_; }
  // Pixels per inch of the main window's monitor.
  UINT dpi() const;

  // ---- WindowSystem ----
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
  ports::WindowHandle desktopWindow() override;
  int64_t windowProcess(ports::WindowHandle window) override;
  std::optional<ports::WindowSystem::PixelBounds> windowBounds(ports::WindowHandle window) override;

  // ---- Screen ----
  double widthTwips() override;
  double heightTwips() override;
  double twipsPerPixelX() override;
  double twipsPerPixelY() override;

  void keyEvent(ports::Key key, ports::KeyAction action) override;

  bool clear() override;
  bool setText(std::u16string_view text) override;
  std::optional<std::u16string> text() override;

  bool notifyIcon(Operation operation, const ports::TrayIconRecord& record) override;

  bool startProgram(std::u16string_view commandLine, int windowStyle) override;
  void shellOpen(ports::WindowHandle owner, std::u16string_view target) override;

  void showMessage(std::u16string_view text, std::u16string_view title, int flags) override;

  std::optional<ports::HookExports> loadHookLibrary(std::string_view name) override;

  void doEvents() override;
  void setTimer(int milliseconds, std::function<void()> tick) override;

  bool anotherInstanceRunning() override;
  void endProcess() override;

  std::optional<std::u16string> userName() const override;
  std::u16string programFolder() const override;
  char16_t pathSeparator() const override { return u'\\'; }

  ports::LocalDateTime now() override;

  static constexpr UINT_PTR kTimerId = 1;
  static constexpr const wchar_t* kWindowClass = L"FormixMainWindow";

 private:
  static LRESULT CALLBACK mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool openClipboard();

  HINSTANCE instance_;
  HWND main_ = nullptr;
  HANDLE instanceMutex_ = nullptr;
  HMODULE hookLibrary_ = nullptr;
  std::function<void()> tick_;
  std::map<uint32_t, HICON> pictures_;
  bool ended_ = false;
};

}  // namespace formix::platform::win32
