// Another program on the desktop, for the end-to-end tests of Formix.exe under Wine, and the
// tests' eyes on the screen.
//
//   desktop_probe.exe TITLE X Y
//
// Shows a captioned 320 x 200 window at X, Y holding a multi-line edit box (where Formix types
// phrases), reports right clicks that reach the edit box, and answers commands on stdin, one per
// line, with one line on stdout (texts in UTF-8, with \r, \n and \\ escaped):
//   user                    the logon user name as the system gives it
//   hwnd                    the probe's own window handle, in decimal
//   front                   bring the probe to the front, focus on its edit box
//   text                    the edit box's text;  clear: empty it
//   window TITLE            visibility, topmost and tool-window styles and screen rectangle of
//                           the top-level window with exactly this title
//   controls TITLE          one line per child window of it: class, check state, visibility,
//                           screen rectangle and text
//   menus                   how many popup menus (class #32768) are shown, and where
//   post MSG WP LP TITLE    PostMessage to the window with this title
//   post1284                post message 1284 to the probe's own window
//   dialog TITLE            the texts of a message box with this title, or "dialog none"
//   dismiss TITLE           press OK on it
//   ping N                  "pong N" once every message queued before it has been handled
//   quit
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kCommand = WM_APP + 1;  // lParam: a std::string* owned by the receiver
HWND gWindow = nullptr;
HWND gEdit = nullptr;
WNDPROC gEditProc = nullptr;

std::wstring fromUtf8(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  w.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), w.data(),
                                                   static_cast<int>(w.size()))));
  return w;
}

std::string toUtf8(const std::wstring& w) {
  std::string s(w.size() * 4 + 1, '\0');
  s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(),
                                                   static_cast<int>(s.size()), nullptr, nullptr)));
  return s;
}

std::string escaped(const std::wstring& w) {
  std::string out;
  for (char c : toUtf8(w)) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

void say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Asked of the window itself: GetWindowText does not ask a control of another process.
std::wstring textOf(HWND w) {
  std::wstring text(static_cast<size_t>(SendMessageW(w, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(w, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::string classOf(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

std::string rectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return "x=" + std::to_string(r.left) + " y=" + std::to_string(r.top) + " w=" + std::to_string(r.right - r.left) +
         " h=" + std::to_string(r.bottom - r.top);
}

// Top-level windows of a class (or all), front to back.
std::vector<HWND> topLevel(const char* cls) {
  std::vector<HWND> found;
  for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (cls == nullptr || classOf(w) == cls) found.push_back(w);
  }
  return found;
}

HWND dialogTitled(const std::wstring& title) {
  for (HWND w : topLevel("#32770")) {
    if (IsWindowVisible(w) && textOf(w) == title) return w;
  }
  return nullptr;
}

BOOL CALLBACK listControl(HWND w, LPARAM) {
  const LRESULT check = SendMessageW(w, BM_GETCHECK, 0, 0);
  say("control class=" + classOf(w) + " checked=" + std::to_string(classOf(w) == "Button" ? check : 0) +
      " visible=" + std::to_string(IsWindowVisible(w) ? 1 : 0) + " enabled=" + std::to_string(IsWindowEnabled(w) ? 1 : 0) +
      " " + rectOf(w) + " text=" + escaped(textOf(w)));
  return TRUE;
}

void run(const std::string& line) {
  const auto space = line.find(' ');
  const std::string verb = line.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
  if (verb == "user") {
    wchar_t name[257];
    DWORD size = 257;
    return say(GetUserNameW(name, &size) ? "user " + toUtf8(name) : "user none");
  }
  if (verb == "front") {
    SetForegroundWindow(gWindow);
    SetFocus(gEdit);
    return say(GetForegroundWindow() == gWindow ? "front yes" : "front no");
  }
  if (verb == "hwnd") return say("hwnd " + std::to_string(reinterpret_cast<std::intptr_t>(gWindow)));
  if (verb == "text") return say("text " + escaped(textOf(gEdit)));
  if (verb == "clear") {
    SetWindowTextW(gEdit, L"");
    return say("cleared");
  }
  if (verb == "window") {
    HWND w = FindWindowW(nullptr, fromUtf8(rest).c_str());
    if (w == nullptr) return say("window none");
    const LONG ex = GetWindowLongW(w, GWL_EXSTYLE);
    return say("window visible=" + std::to_string(IsWindowVisible(w) ? 1 : 0) +
               " topmost=" + std::to_string((ex & WS_EX_TOPMOST) != 0) +
               " tool=" + std::to_string((ex & WS_EX_TOOLWINDOW) != 0) + " " + rectOf(w));
  }
  if (verb == "controls") {
    HWND w = FindWindowW(nullptr, fromUtf8(rest).c_str());
    if (w != nullptr) EnumChildWindows(w, listControl, 0);
    return say("controls end");
  }
  if (verb == "menus") {
    int shown = 0;
    std::string where;
    for (HWND w : topLevel("#32768")) {
      if (!IsWindowVisible(w)) continue;
      ++shown;
      where += " " + rectOf(w);
    }
    return say("menus " + std::to_string(shown) + where);
  }
  if (verb == "post") {
    char title[200] = {};
    unsigned message = 0;
    long long wp = 0, lp = 0;
    int used = 0;
    if (std::sscanf(rest.c_str(), "%u %lld %lld %n", &message, &wp, &lp, &used) < 3) return say("post bad");
    std::snprintf(title, sizeof title, "%s", rest.c_str() + used);
    HWND w = FindWindowW(nullptr, fromUtf8(title).c_str());
    PostMessageW(w, message, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
    return say(w != nullptr ? "posted" : "post nowhere");
  }
  if (verb == "post1284") {
    PostMessageW(gWindow, 1284, 0, 0);
    return say("posted 1284");
  }
  if (verb == "dialog" || verb == "dismiss") {
    HWND d = dialogTitled(fromUtf8(rest));
    if (d == nullptr) return say(verb + " none");
    if (verb == "dismiss") {
      PostMessageW(d, WM_COMMAND, IDOK, 0);
      return say("dismissed");
    }
    std::string texts;
    for (HWND c = GetWindow(d, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      if (classOf(c) == "Static" && !textOf(c).empty()) texts += (texts.empty() ? "" : "|") + escaped(textOf(c));
    }
    return say("dialog text=" + texts);
  }
  if (verb == "ping") return say("pong " + rest);
  if (verb == "quit") {
    DestroyWindow(gWindow);
    return;
  }
  say("unknown command " + line);
}

LRESULT CALLBACK editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RBUTTONDOWN: say("rbuttondown"); break;
    case WM_RBUTTONUP: say("rbuttonup"); break;
    case WM_CONTEXTMENU: say("contextmenu"); return 0;
    default: break;
  }
  return CallWindowProcW(gEditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONUP: say("lbuttonup"); return 0;
    case 1284: say("message 1284"); return 0;
    case WM_SETFOCUS: SetFocus(gEdit); return 0;  // as any editor: the keys go to the text
    case WM_SIZE: MoveWindow(gEdit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE); return 0;
    case kCommand: {
      auto* line = reinterpret_cast<std::string*>(lParam);
      run(*line);
      delete line;
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI readCommands(void*) {
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    PostMessageW(gWindow, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: desktop_probe TITLE X Y\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"DesktopProbe";
  RegisterClassW(&windowClass);
  gWindow = CreateWindowExW(0, L"DesktopProbe", fromUtf8(argv[1]).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            std::atoi(argv[2]), std::atoi(argv[3]), 320, 200, nullptr, nullptr, windowClass.hInstance,
                            nullptr);
  gEdit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 0, 0,
                          300, 150, gWindow, nullptr, windowClass.hInstance, nullptr);
  gEditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(gEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc)));
  RECT client;
  GetClientRect(gWindow, &client);
  MoveWindow(gEdit, 0, 0, client.right, client.bottom, TRUE);
  SetFocus(gEdit);
  say("ready");
  CloseHandle(CreateThread(nullptr, 0, readCommands, nullptr, 0, nullptr));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  say("bye");
  return 0;
}
