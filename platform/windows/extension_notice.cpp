#include "platform/windows/extension_notice.h"

#include <cwctype>
#include <string>

namespace formix::platform::win32 {

bool browserProgramInFront(HWND bar) {
  for (HWND h = GetWindow(bar, GW_HWNDFIRST); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
    if (h == bar || !IsWindowVisible(h)) continue;
    if ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 || (GetWindowLongW(h, GWL_STYLE) & WS_CAPTION) == 0) continue;
    if (GetWindowTextLengthW(h) == 0) continue;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return false;
    wchar_t path[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    const bool named = QueryFullProcessImageNameW(process, 0, path, &size) != FALSE;
    CloseHandle(process);
    if (!named) return false;
    std::wstring name(path, size);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* browser : {L"msedge.exe", L"chrome.exe", L"firefox.exe", L"brave.exe", L"vivaldi.exe", L"chromium.exe"}) {
      if (name == browser) return true;
    }
    return false;
  }
  return false;
}

std::vector<ports::WindowHandle> ExtensionNotice::browserWindows() {
  std::vector<ports::WindowHandle> windows = inner_.browserWindows();
  if (connected_()) {
    told_ = false;
  } else if (!told_ && browserProgramInFront(bar_())) {
    told_ = true;
    show_();
  }
  return windows;
}

}  // namespace formix::platform::win32
