// A small Windows program for the end-to-end test of FmxHook.dll under Wine.
//
//   hook_probe.exe TITLE X Y
//
// Shows a 200 x 150 window with caption TITLE at screen position X, Y, keeps pumping its messages,
// and writes one line to stdout for each mouse-button message, Windows-key message or context menu
// the window receives. Commands arrive one per line on stdin:
//   load           load FmxHook.dll and check that every export is found by name and by ordinal
//   call NAME      call an export by name (SetHook and RemoveHook print their result)
//   post1284       post message 1284 to the own window
//   mapped         tell whether FmxHook.dll is mapped into this process
//   activate       bring the own window to the front
//   front          tell whether the own window is the foreground window
//   ping N         answer "pong N" once every message queued before it has been handled
//   quit           close the window and end
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hook/hook_library.h"

namespace {

constexpr UINT kCommand = WM_APP + 1;  // lParam: a std::string* owned by the receiver
HWND gWindow = nullptr;
HMODULE gLibrary = nullptr;

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void load() {
  gLibrary = LoadLibraryA("FmxHook.dll");
  if (gLibrary == nullptr) return say("load failed %lu", GetLastError());
  int found = 0;
  for (const auto& e : formix::hook::kExports) {
    FARPROC byName = GetProcAddress(gLibrary, e.name);
    FARPROC byOrdinal = GetProcAddress(gLibrary, MAKEINTRESOURCEA(e.ordinal));
    if (byName == nullptr || byName != byOrdinal) return say("export %s is not ordinal %d", e.name, e.ordinal);
    ++found;
  }
  if (GetProcAddress(gLibrary, MAKEINTRESOURCEA(12)) != nullptr) return say("unexpected export 12");
  say("loaded %d exports", found);
}

void call(const std::string& name) {
  if (gLibrary == nullptr) return say("call %s: not loaded", name.c_str());
  FARPROC proc = GetProcAddress(gLibrary, name.c_str());
  if (proc == nullptr) return say("call %s: no such export", name.c_str());
  if (name == "SetHook" || name == "RemoveHook") {
    const int result = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(proc))();
    return say("%s -> %d", name.c_str(), result);
  }
  reinterpret_cast<void (*)()>(reinterpret_cast<void*>(proc))();
  say("%s done", name.c_str());
}

void run(const std::string& line) {
  if (line == "load") return load();
  if (line.rfind("call ", 0) == 0) return call(line.substr(5));
  if (line == "post1284") {
    PostMessageA(gWindow, 1284, 0, 0);
    return say("posted 1284");
  }
  if (line == "activate") {
    SetForegroundWindow(gWindow);
    return say("activated");
  }
  if (line == "front") return say("front %s", GetForegroundWindow() == gWindow ? "yes" : "no");
  if (line == "mapped") return say("mapped %s", GetModuleHandleA("FmxHook.dll") != nullptr ? "yes" : "no");
  if (line.rfind("ping ", 0) == 0) return say("pong %s", line.substr(5).c_str());
  if (line == "quit") {
    DestroyWindow(gWindow);
    return;
  }
  say("unknown command %s", line.c_str());
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_RBUTTONDOWN: say("rbuttondown"); break;
    case WM_RBUTTONUP: say("rbuttonup"); break;
    case WM_MBUTTONDOWN: say("mbuttondown"); break;
    case WM_MBUTTONUP: say("mbuttonup"); break;
    case WM_CONTEXTMENU: say("contextmenu"); return 0;
    case WM_LBUTTONUP: say("lbuttonup x=%d y=%d wparam=%llu", x, y, static_cast<unsigned long long>(wParam)); return 0;
    case 1284: say("message 1284"); return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) say("deactivated");
      break;
    case kCommand: {
      auto* line = reinterpret_cast<std::string*>(lParam);
      run(*line);
      delete line;
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Reads commands and queues them behind whatever the window has already been sent.
DWORD WINAPI readCommands(void*) {
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, stdin) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    PostMessageA(gWindow, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: hook_probe TITLE X Y\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the test script
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "HookProbe";
  RegisterClassA(&windowClass);
  gWindow = CreateWindowExA(0, "HookProbe", argv[1], WS_POPUP | WS_VISIBLE, std::atoi(argv[2]), std::atoi(argv[3]),
                            200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (gWindow == nullptr) {
    say("window failed %lu", GetLastError());
    return 1;
  }
  UpdateWindow(gWindow);
  say("ready");
  CloseHandle(CreateThread(nullptr, 0, readCommands, nullptr, 0, nullptr));
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  say("bye");
  return 0;
}
