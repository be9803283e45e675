#include "platform/windows/win32_desktop.h"

#include <shellapi.h>

#include <cmath>
#include <vector>

#include "platform/windows/win32_text.h"
#include "platform/windows/win32_trust.h"

namespace formix::platform::win32 {
namespace {

Win32Desktop* gDesktop = nullptr;  // one desktop per process: the main window's class finds it here

// The per-session name of the one running Formix.
constexpr const wchar_t* kInstanceMutex = L"Local\\Formix.MainProgram";

template <typename F>
F systemFunction(const wchar_t* module, const char* name) {
  HMODULE m = GetModuleHandleW(module);
  return m == nullptr ? nullptr : reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

int toPixels(double twips, double twipsPerPixel) { return static_cast<int>(std::lround(twips / twipsPerPixel)); }

std::wstring folderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// The folder of Formix.exe.
std::wstring programFolderPath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return L".";
    if (n < path.size()) break;
    path.resize(path.size() * 2);
  }
  return folderOf(path.data());
}

std::wstring environmentVariable(const wchar_t* name) {
  const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return {};
  std::wstring value(n, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), n));
  return value;
}

// The folder of Formix.exe when nobody but the user (and SYSTEM and the Administrators) may write
// to it; otherwise (under Program Files, or a folder every user may change, such as C:\Tools)
// the user's %APPDATA%\Formix, created on first use.
std::wstring settingsFolder() { return chooseSettingsFolder(programFolderPath(), environmentVariable(L"APPDATA")); }

}  // namespace

std::u16string fromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return utf16(out);
}

std::u16string windowTextW(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), n + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return utf16(text);
}

Win32Desktop::Win32Desktop(HINSTANCE instance) : instance_(instance) { gDesktop = this; }

Win32Desktop::~Win32Desktop() {
  if (hookLibrary_ != nullptr) FreeLibrary(hookLibrary_);
  if (instanceMutex_ != nullptr) CloseHandle(instanceMutex_);
  gDesktop = nullptr;
}

LRESULT CALLBACK Win32Desktop::mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gDesktop != nullptr && gDesktop->windowProcedure && gDesktop->main_ == window) {
    return gDesktop->windowProcedure(window, message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HICON Win32Desktop::picture(uint32_t handle) const {
  auto it = pictures_.find(handle);
  return it == pictures_.end() ? nullptr : it->second;
}

void Win32Desktop::timerFired() {
  if (tick_) {
    auto tick = tick_;  // the tick may disarm the timer and drop tick_
    tick();
  }
}

UINT Win32Desktop::dpi() const {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = systemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (getDpiForWindow != nullptr && main_ != nullptr) {
    const UINT d = getDpiForWindow(main_);
    if (d != 0) return d;
  }
  HDC screen = GetDC(nullptr);
  const int d = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return d > 0 ? static_cast<UINT>(d) : 96;
}

// ---- WindowSystem ----

ports::WindowHandle Win32Desktop::createMainWindow(std::u16string_view caption) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProcedure;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  wc.hIcon = picture(0x5101);
  RegisterClassExW(&wc);
  // A tool window: a thin caption the user drags it by, and no taskbar button.
  main_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, wide(caption).c_str(),
                          WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 80, 400, nullptr, nullptr,
                          instance_, nullptr);
  return toHandle(main_);
}

void Win32Desktop::setWindowVisible(ports::WindowHandle window, bool visible) {
  ShowWindow(toHwnd(window), visible ? SW_SHOW : SW_HIDE);
}

void Win32Desktop::setWindowCaption(ports::WindowHandle window, std::u16string_view caption) {
  SetWindowTextW(toHwnd(window), wide(caption).c_str());
}

void Win32Desktop::setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) {
  const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
  SetWindowPos(toHwnd(window), nullptr, toPixels(left, tx), toPixels(top, ty), toPixels(width, tx),
               toPixels(height, ty), SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Desktop::makeTopmost(ports::WindowHandle window) {
  SetWindowPos(toHwnd(window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

ports::WindowHandle Win32Desktop::firstWindow(ports::WindowHandle window) {
  // The desktop window has no siblings: the top-level windows are its children.
  const HWND h = toHwnd(window);
  return toHandle(h == GetDesktopWindow() ? GetWindow(h, GW_CHILD) : GetWindow(h, GW_HWNDFIRST));
}
ports::WindowHandle Win32Desktop::nextWindow(ports::WindowHandle window) { return toHandle(GetWindow(toHwnd(window), GW_HWNDNEXT)); }
int Win32Desktop::isWindowVisible(ports::WindowHandle window) { return IsWindowVisible(toHwnd(window)); }
int32_t Win32Desktop::windowLong(ports::WindowHandle window, int index) {
  return static_cast<int32_t>(GetWindowLongA(toHwnd(window), index));
}

std::u16string Win32Desktop::windowText(ports::WindowHandle window) {
  const HWND h = toHwnd(window);
  const int n = GetWindowTextLengthA(h);
  if (n <= 0) return {};
  std::string title(static_cast<size_t>(n) + 1, '\0');
  const int copied = GetWindowTextA(h, title.data(), n + 1);
  title.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return fromAnsi(title);
}

bool Win32Desktop::setForegroundWindow(ports::WindowHandle window) { return SetForegroundWindow(toHwnd(window)) != FALSE; }
ports::WindowHandle Win32Desktop::desktopWindow() { return toHandle(GetDesktopWindow()); }
int64_t Win32Desktop::windowProcess(ports::WindowHandle window) {
  DWORD process = 0;
  return GetWindowThreadProcessId(toHwnd(window), &process) != 0 ? static_cast<int64_t>(process) : 0;
}
std::optional<ports::WindowSystem::PixelBounds> Win32Desktop::windowBounds(ports::WindowHandle window) {
  RECT r{};
  if (!GetWindowRect(toHwnd(window), &r)) return std::nullopt;
  return ports::WindowSystem::PixelBounds{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// ---- Screen: twips at the monitor's real resolution ----

double Win32Desktop::widthTwips() { return GetSystemMetrics(SM_CXSCREEN) * twipsPerPixelX(); }
double Win32Desktop::heightTwips() { return GetSystemMetrics(SM_CYSCREEN) * twipsPerPixelY(); }
double Win32Desktop::twipsPerPixelX() { return 1440.0 / dpi(); }
double Win32Desktop::twipsPerPixelY() { return 1440.0 / dpi(); }

// A key's value is its virtual-key code.
void Win32Desktop::keyEvent(ports::Key key, ports::KeyAction action) {
  keybd_event(static_cast<BYTE>(key), 0, action == ports::KeyAction::Release ? KEYEVENTF_KEYUP : 0, 0);
}

// ---- Clipboard: UTF-16 text, so no character is lost to an ANSI code page ----

bool Win32Desktop::openClipboard() {
  // Another program may hold the clipboard for a moment.
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (OpenClipboard(main_)) return true;
    Sleep(10);
  }
  return false;
}

bool Win32Desktop::clear() {
  if (!openClipboard()) return false;
  const bool ok = EmptyClipboard() != FALSE;
  CloseClipboard();
  return ok;
}

bool Win32Desktop::setText(std::u16string_view text) {
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  auto* data = static_cast<wchar_t*>(GlobalLock(memory));
  std::copy(text.begin(), text.end(), data);
  data[text.size()] = L'\0';
  GlobalUnlock(memory);
  if (!openClipboard()) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!ok) GlobalFree(memory);
  CloseClipboard();
  return ok;
}

std::optional<std::u16string> Win32Desktop::text() {
  if (!openClipboard()) return std::nullopt;
  std::optional<std::u16string> result;
  if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* data = static_cast<const wchar_t*>(GlobalLock(memory))) {
      result = utf16(data);
      GlobalUnlock(memory);
    }
  }
  CloseClipboard();
  return result;
}

// ---- Notification area: the record's first form, whose size on this architecture the system
// knows as NOTIFYICONDATAA_V1_SIZE ----

bool Win32Desktop::notifyIcon(Operation operation, const ports::TrayIconRecord& record) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = toHwnd(record.window);
  data.uID = record.id;
  data.uFlags = record.flags;
  data.uCallbackMessage = record.callbackMessage;
  data.hIcon = picture(record.icon);
  const size_t n = std::min(record.tip.size(), sizeof data.szTip - 1);
  std::copy_n(record.tip.data(), n, data.szTip);
  const DWORD ops[] = {NIM_ADD, NIM_MODIFY, NIM_DELETE};
  return Shell_NotifyIconA(ops[operation], &data) != FALSE;
}

// ---- Shell ----

bool Win32Desktop::startProgram(std::u16string_view commandLine, int windowStyle) {
  std::wstring line = wide(commandLine);  // CreateProcessW may write into it
  // The program file is the one Formix found and checked, never one the system would look for
  // in the working directory; anything else is left to the shell's "open".
  const auto file = programFile(line, environmentVariable(L"PATH"));
  if (!file) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(file->c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void Win32Desktop::shellOpen(ports::WindowHandle owner, std::u16string_view target) {
  ShellExecuteW(toHwnd(owner), L"open", wide(target).c_str(), L"", L"", SW_SHOW);
}

void Win32Desktop::showMessage(std::u16string_view text, std::u16string_view title, int flags) {
  MessageBoxW(main_, wide(text).c_str(), wide(title).c_str(), static_cast<UINT>(flags) | MB_SETFOREGROUND);
}

// ---- The hook library, loaded by name from the program's folder ----

std::optional<ports::HookExports> Win32Desktop::loadHookLibrary(std::string_view name) {
  // By its full path: a bare name would also be looked for in the working directory and on PATH.
  const std::wstring path = programFolderPath() + L"\\" + std::wstring(name.begin(), name.end()) + L".dll";
  hookLibrary_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (hookLibrary_ == nullptr) return std::nullopt;
  HMODULE library = hookLibrary_;
  const auto find = [library](const char* exportName) -> void* {
    return reinterpret_cast<void*>(GetProcAddress(library, exportName));
  };
  ports::HookExports exports;
  if (void* f = find("SetHook")) exports.SetHook = reinterpret_cast<int32_t (*)()>(f);
  if (void* f = find("RemoveHook")) exports.RemoveHook = reinterpret_cast<int32_t (*)()>(f);
  for (int i = 0; i < 5; ++i) {
    if (void* f = find(("M_Mode" + std::to_string(i)).c_str())) exports.M_Mode[i] = reinterpret_cast<void (*)()>(f);
  }
  for (int i = 0; i < 3; ++i) {
    if (void* f = find(("K_Mode" + std::to_string(i)).c_str())) exports.K_Mode[i] = reinterpret_cast<void (*)()>(f);
  }
  return exports;
}

// ---- Event loop and timer ----

void Win32Desktop::doEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // for the outer loop to see
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (main_ != nullptr && IsDialogMessageW(main_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Win32Desktop::setTimer(int milliseconds, std::function<void()> tick) {
  if (milliseconds <= 0) {
    KillTimer(main_, kTimerId);
    tick_ = nullptr;
    return;
  }
  tick_ = std::move(tick);
  SetTimer(main_, kTimerId, static_cast<UINT>(milliseconds), nullptr);
}

// ---- Process and session ----

bool Win32Desktop::anotherInstanceRunning() {
  instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutex);
  return instanceMutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

void Win32Desktop::endProcess() {
  ended_ = true;
  PostQuitMessage(0);
}

std::optional<std::u16string> Win32Desktop::userName() const {
  wchar_t buffer[257];
  DWORD size = 257;
  if (!GetUserNameW(buffer, &size) || size == 0) return std::nullopt;
  return utf16(std::wstring_view(buffer, size - 1));  // the size counts the terminating NUL
}

std::u16string Win32Desktop::programFolder() const {
  static const std::wstring folder = settingsFolder();
  return utf16(folder);
}

ports::LocalDateTime Win32Desktop::now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace formix::platform::win32
