// A stand-in browser for Formix.exe's bridge under Wine. It shows two browser windows ("Page A -
// Stub Browser", "Page B - Stub Browser"), starts formix-bridge.exe the way Chrome does (through
// `cmd.exe /d /c` with its pipes on stdin and stdout, the origin and --parent-window=<HWND>), and
// speaks native messaging as the extension does: hello, then answers to focus, collect (the facts
// of a small registration page) and fill (applied and reported). It reads commands from stdin and
// prints what happens, one line each:
//
//   start                  start the relay with the extension's origin (and again 0.5 s after it ends)
//   start-origin ORIGIN    start it once with another origin
//   start-firefox MANIFEST start it once as Firefox does: directly, with the manifest's path and
//                          the add-on's id
//   front A|B              bring that window to the front (it becomes the browser's focused window)
//   post1284               post message 1284 (the Windows key's message) to the front window
//   kill-on-collect        at the next collect, end the relay instead of answering
//   squat                  create Formix's pipe name first; a relay that connects gets a 1.5 MB message
//   unsquat                close that pipe
//   dialog | dismiss       the text of Formix's message box ("dialog text=..." or "dialog none"),
//                          and dismiss closes it
//   button                 the screen centre of Formix's fill button ("button X Y")
//   received               bytes the relay wrote to the browser so far ("received N")
//   quit
//
// `browser_stub.exe --close-formix` closes Formix's window instead.
// Prints: ready, relay started, welcome, collect window=W, fill window=W control=K value=V,
// filled N, relay ended status=S, killed relay, squatting, sent big, ...
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "bridge/pipe_name.h"

namespace {

using nlohmann::json;

std::mutex gOut;
void say(const std::string& line) {
  std::lock_guard lock(gOut);
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::wstring wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

const char* const kOrigin = "chrome-extension://kpcajhppambjomnbnjdmeahmglfjkmnf/";
std::wstring gRelay;
HWND gWindow[2] = {nullptr, nullptr};
std::atomic<int> gFocused{0};  // 0: A, 1: B
std::atomic<bool> gKillOnCollect{false};
std::atomic<bool> gRestart{false};
std::atomic<long long> gReceived{0};
uint64_t gRead = 1000;

// The running relay: cmd.exe's process and the pipe ends of the browser.
std::mutex gRelayLock;
HANDLE gCmd = nullptr;
DWORD gCmdId = 0;
HANDLE gToRelay = nullptr;

const char* const kTitles[2] = {"Page A", "Page B"};

bool sendToRelay(const std::string& message) {
  std::lock_guard lock(gRelayLock);
  if (gToRelay == nullptr) return false;
  const uint32_t length = static_cast<uint32_t>(message.size());
  std::string framed(reinterpret_cast<const char*>(&length), 4);
  framed += message;
  DWORD n = 0;
  return WriteFile(gToRelay, framed.data(), static_cast<DWORD>(framed.size()), &n, nullptr) && n == framed.size();
}

// Ends the relay itself (not cmd.exe), as a crash would.
void killRelay() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (bool more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    // Under cmd.exe as Chrome starts it, or started directly as Firefox does.
    const bool relay = entry.th32ParentProcessID == gCmdId || entry.th32ProcessID == gCmdId;
    if (relay && _wcsicmp(entry.szExeFile, L"formix-bridge.exe") == 0) {
      HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
      if (p != nullptr) {
        TerminateProcess(p, 9);
        CloseHandle(p);
        say("killed relay");
      }
    }
  }
  CloseHandle(snapshot);
}

json pageFacts() {
  const auto control = [](int k, const char* type, const char* name, const char* label, const char* autocomplete) {
    return json{{"control", k},   {"tag", "input"},         {"type", type},      {"name", name},
                {"label", label}, {"autocomplete", autocomplete}, {"visible", true}, {"enabled", true},
                {"editable", true}, {"form", 0}};
  };
  json controls = json::array({control(0, "text", "sei", "姓", "family-name"), control(1, "text", "mei", "名", "given-name"),
                               control(2, "email", "email", "メールアドレス", "email")});
  return json{{"path", json::array()}, {"frame", 0},      {"origin", "http://127.0.0.1:8080"},
              {"visible", true},       {"sharedAutofill", false}, {"controls", controls}};
}

void answer(const json& request) {
  const std::string type = request.value("type", "");
  if (type == "welcome") return say("welcome");
  if (type == "error") return say("error from formix: " + request.value("error", ""));
  const uint64_t id = request.value("id", uint64_t{0});
  const int front = gFocused.load();
  say("asked " + type);
  if (type == "focus") {
    RECT r{};
    GetWindowRect(gWindow[front], &r);
    sendToRelay(json{{"type", "focused"},
                     {"id", id},
                     {"window", front + 1},
                     {"title", kTitles[front]},
                     {"bounds", {{"left", r.left}, {"top", r.top}, {"width", r.right - r.left}, {"height", r.bottom - r.top}}}}
                    .dump());
    return;
  }
  if (type == "collect") {
    say("collect window=" + std::to_string(request.value("window", 0)));
    if (gKillOnCollect.exchange(false)) return killRelay();
    sendToRelay(json{{"type", "facts"}, {"id", id}, {"read", ++gRead}, {"origin", "http://127.0.0.1:8080"},
                     {"frames", json::array({pageFacts()})}}
                    .dump());
    return;
  }
  if (type == "fill") {
    const bool current = request.value("read", uint64_t{0}) == gRead;
    int applied = 0, skipped = 0;
    for (const json& f : request.value("fills", json::array())) {
      if (!current || !f.contains("value")) {
        ++skipped;
        continue;
      }
      say("fill window=" + std::to_string(front + 1) + " control=" + std::to_string(f.value("control", -1)) +
          " value=" + f.value("value", ""));
      ++applied;
    }
    say("filled " + std::to_string(applied) + " t=" + std::to_string(GetTickCount64()));
    sendToRelay(json{{"type", "filled"}, {"id", id}, {"applied", applied}, {"skipped", skipped}}.dump());
    return;
  }
  sendToRelay(json{{"type", "error"}, {"id", id}, {"error", "unknown-request"}, {"message", type}}.dump());
}

void startRelay(const std::string& origin);

// Reads the relay's messages until it ends; then, like the extension, starts a new one.
void readRelay(HANDLE fromRelay, HANDLE cmd) {
  std::string buffer;
  char chunk[65536];
  DWORD n = 0;
  while (ReadFile(fromRelay, chunk, sizeof chunk, &n, nullptr) && n > 0) {
    gReceived += n;
    buffer.append(chunk, n);
    while (buffer.size() >= 4) {
      uint32_t length = 0;
      std::memcpy(&length, buffer.data(), 4);
      if (buffer.size() < 4 + static_cast<size_t>(length)) break;
      const std::string message = buffer.substr(4, length);
      buffer.erase(0, 4 + static_cast<size_t>(length));
      try {
        answer(json::parse(message));
      } catch (const std::exception& e) {
        say(std::string("bad message from the relay: ") + e.what());
      }
    }
  }
  CloseHandle(fromRelay);
  WaitForSingleObject(cmd, 10000);
  DWORD status = 0;
  GetExitCodeProcess(cmd, &status);
  {
    std::lock_guard lock(gRelayLock);
    if (gToRelay != nullptr) CloseHandle(gToRelay);
    gToRelay = nullptr;
  }
  say("relay ended status=" + std::to_string(status));
  if (gRestart) {
    Sleep(500);
    startRelay(kOrigin);
  }
}

// Firefox starts the host itself, with the manifest's path and the add-on's id.
bool gFirefoxStyle = false;

void startRelay(const std::string& origin) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, toChild = nullptr, fromChild = nullptr, childOut = nullptr;
  CreatePipe(&childIn, &toChild, &inherit, 0);
  CreatePipe(&fromChild, &childOut, &inherit, 0);
  SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childIn;
  startup.hStdOutput = childOut;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  // As Chrome does: the host's path quoted, the caller's origin, the window that asked.
  std::wstring command = L"cmd.exe /d /c \"\"" + gRelay + L"\" " + wide(origin) + L" --parent-window=" +
                         std::to_wstring(reinterpret_cast<uintptr_t>(gWindow[0])) + L"\"";
  if (gFirefoxStyle) command = L"\"" + gRelay + L"\" \"" + wide(origin) + L"\" bridge@formix";
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    say("cannot start the relay: error " + std::to_string(GetLastError()));
    return;
  }
  CloseHandle(childIn);
  CloseHandle(childOut);
  CloseHandle(process.hThread);
  {
    std::lock_guard lock(gRelayLock);
    gCmd = process.hProcess;
    gCmdId = process.dwProcessId;
    gToRelay = toChild;
  }
  say("relay started");
  sendToRelay(json{{"type", "hello"}, {"version", 2}, {"browser", gFirefoxStyle ? "firefox" : "chromium"},
                   {"extension", "1.0.0"}}.dump());
  std::thread(readRelay, fromChild, process.hProcess).detach();
}

// A pipe of Formix's name made first by another program; a relay that connects to it is sent a
// message larger than any browser takes.
HANDLE gSquat = INVALID_HANDLE_VALUE;
void squat() {
  const auto name = formix::bridge::defaultPipeName();
  gSquat = CreateNamedPipeW(name->c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
  if (gSquat == INVALID_HANDLE_VALUE) return say("cannot squat: error " + std::to_string(GetLastError()));
  say("squatting");
  HANDLE pipe = gSquat;
  std::thread([pipe] {
    if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return;
    const uint32_t length = 1536 * 1024;
    std::string big(reinterpret_cast<const char*>(&length), 4);
    big += "{\"type\":\"welcome\",\"version\":1,\"pad\":\"" + std::string(length - 40, 'x') + "\"}";
    big.resize(4 + length, ' ');
    DWORD n = 0;
    WriteFile(pipe, big.data(), static_cast<DWORD>(big.size()), &n, nullptr);
    say("sent big");
  }).detach();
}

std::string utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Formix's message box, if one is shown: its text; `dismiss` closes it.
void dialog(bool dismiss) {
  HWND box = FindWindowW(L"#32770", L"Formix");
  if (box == nullptr) return say("dialog none");
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  if (dismiss) PostMessageW(box, WM_COMMAND, IDOK, 0);
  std::string shown = utf8(text);  // one line: its line breaks as "\n"
  for (size_t at; (at = shown.find_first_of("\r\n")) != std::string::npos;) {
    const size_t length = shown.compare(at, 2, "\r\n") == 0 ? 2 : 1;
    shown.replace(at, length, "\\n");
  }
  say("dialog text=" + shown);
}

void fillButton() {
  HWND formix = FindWindowW(nullptr, L"Formix ");
  if (formix == nullptr) return say("button none");
  // The fill button is the bar's only 44 x 18 button (at 96 dots per inch).
  struct Found {
    RECT r{};
    bool found = false;
  } found;
  EnumChildWindows(
      formix,
      [](HWND child, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<Found*>(p);
        wchar_t cls[32];
        GetClassNameW(child, cls, 32);
        RECT r{};
        GetWindowRect(child, &r);
        if (_wcsicmp(cls, L"Button") == 0 && r.right - r.left == 44 && r.bottom - r.top == 18 && IsWindowVisible(child)) {
          f->r = r;
          f->found = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  if (!found.found) return say("button none");
  say("button " + std::to_string((found.r.left + found.r.right) / 2) + " " + std::to_string((found.r.top + found.r.bottom) / 2));
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) gFocused = window == gWindow[1] ? 1 : 0;
  if (message == 1284) say("message 1284");
  if (message == WM_APP) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void commands(DWORD mainThread) {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string verb = line.substr(0, line.find(' '));
    const std::string rest = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
    if (verb == "start") {
      gRestart = true;
      startRelay(kOrigin);
    } else if (verb == "start-origin") {
      gRestart = false;
      gFirefoxStyle = false;
      startRelay(rest);
    } else if (verb == "start-firefox") {
      gRestart = false;
      gFirefoxStyle = true;
      startRelay(rest);
      gFirefoxStyle = false;
    } else if (verb == "front") {
      const int k = rest == "B" ? 1 : 0;
      gFocused = k;
      // Raised by the window's own thread, as a click on it would.
      SendMessageW(gWindow[k], WM_APP, 0, 0);
      say("front " + rest + (GetForegroundWindow() == gWindow[k] ? " yes" : " no"));
    } else if (verb == "post1284") {
      PostMessageW(gWindow[gFocused.load()], 1284, 0, 0);
      say("posted 1284 t=" + std::to_string(GetTickCount64()));
    } else if (verb == "kill-on-collect") {
      gKillOnCollect = true;
      say("armed");
    } else if (verb == "squat") {
      squat();
    } else if (verb == "unsquat") {
      if (gSquat != INVALID_HANDLE_VALUE) CloseHandle(gSquat);
      gSquat = INVALID_HANDLE_VALUE;
      say("unsquatted");
    } else if (verb == "dialog") {
      dialog(false);
    } else if (verb == "dismiss") {
      dialog(true);
    } else if (verb == "button") {
      fillButton();
    } else if (verb == "received") {
      say("received " + std::to_string(gReceived.load()));
    } else if (verb == "stop") {
      gRestart = false;
      killRelay();
    } else if (verb == "quit") {
      break;
    }
  }
  gRestart = false;
  PostThreadMessageW(mainThread, WM_QUIT, 0, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  // Closes Formix as its window's close box does, and ends.
  if (std::wstring(argv[1]) == L"--close-formix") {
    HWND formix = FindWindowW(nullptr, L"Formix ");
    if (formix != nullptr) PostMessageW(formix, WM_CLOSE, 0, 0);
    return formix != nullptr ? 0 : 1;
  }
  gRelay = argv[1];
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone, as the test's patterns expect
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"StubBrowserWindow";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  gWindow[0] = CreateWindowW(L"StubBrowserWindow", L"Page A - Stub Browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 150, 120,
                             500, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
  gWindow[1] = CreateWindowW(L"StubBrowserWindow", L"Page B - Stub Browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                             500, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
  say("ready");
  std::thread(commands, GetCurrentThreadId()).detach();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ExitProcess(0);
}
