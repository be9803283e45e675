// Formix.exe: the Windows desktop. The ports, the view and the model are put together here, the
// form is loaded, and the window's messages are pumped until the program ends.
//
//   Formix.exe --install-browser-integration     registers formix-bridge.exe with the browsers
//   Formix.exe --uninstall-browser-integration   takes that registration away
#include <objbase.h>
#include <shellapi.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bridge/bridge_browsers.h"
#include "bridge/bridge_server.h"
#include "bridge/integration_install_win32.h"
#include "bridge/pipe_name.h"
#include "platform/windows/extension_notice.h"
#include "platform/windows/ie_documents.h"
#include "platform/windows/resources.h"
#include "platform/windows/win32_desktop.h"
#include "platform/windows/win32_trust.h"
#include "platform/windows/win32_view.h"

namespace {

using formix::platform::win32::Win32Desktop;

// Geometry follows each monitor's own resolution. Older systems without the call keep the
// system's scaling.
void perMonitorDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  if (set != nullptr) set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)));  // per monitor, version 2
}

void loadPictures(Win32Desktop& desktop, HINSTANCE instance) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  for (int id : {IDI_TRAY, IDI_TRAY_BUSY, IDI_FILL, IDI_PROFILE, IDI_SETTINGS}) {
    auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    desktop.addPicture(static_cast<uint32_t>(id), icon);
  }
}

// A line for whoever started the program: its console or the handles it was given (a program
// with windows has no console of its own).
void say(DWORD stream, const std::string& line) {
  HANDLE out = GetStdHandle(stream);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) out = GetStdHandle(stream);
  }
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::filesystem::path programFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::filesystem::path(L".");
    if (n < path.size()) break;
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(path.data()).parent_path();
}

std::vector<std::wstring> arguments() {
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> out;
  for (int k = 1; list != nullptr && k < count; ++k) out.emplace_back(list[k]);
  if (list != nullptr) LocalFree(list);
  return out;
}

// Whether the browsers may be told to start the relay of the program's folder.
formix::bridge::ProgramFolderTrust programFolderTrust() {
  const std::wstring folder = programFolder().wstring();
  return {formix::platform::win32::onlyTrustedMayWrite(folder), formix::platform::win32::userMayWrite(folder)};
}

// --install-browser-integration / --uninstall-browser-integration: what was done, one line each
// (a refusal on stderr); the exit status is 1 when anything failed.
int browserIntegration(bool install) {
  bool ok = true;
  const auto lines = install ? formix::bridge::installWindowsIntegration(programFolder(), programFolderTrust(), ok)
                             : formix::bridge::uninstallWindowsIntegration(ok);
  for (const std::string& line : lines) say(ok ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, line);
  return ok ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::vector<std::wstring> args = arguments();
  if (!args.empty()) {
    if (args[0] == L"--install-browser-integration") ExitProcess(static_cast<UINT>(browserIntegration(true)));
    if (args[0] == L"--uninstall-browser-integration") ExitProcess(static_cast<UINT>(browserIntegration(false)));
  }
  perMonitorDpiAware();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // Internet Explorer's automation objects

  Win32Desktop desktop(instance);
  loadPictures(desktop, instance);
  formix::platform::win32::Win32View view(desktop, instance);
  // Edge, Chrome and Firefox come through the browser extension and its relay, over a pipe only
  // this user can reach; Internet Explorer through its automation objects.
  const auto pipeName = formix::bridge::defaultPipeName();
  formix::bridge::BridgeServer bridgeServer(pipeName.value_or(L""));
  formix::bridge::BridgeBrowsers bridged(bridgeServer, desktop);
  bridgeServer.log = [](const std::string& what) { say(STD_ERROR_HANDLE, "Formix: browser bridge: " + what); };
  formix::platform::win32::IeDocuments explorer;
  // What start-up found of the browsers' registration: another copy's stays, and the notice says so.
  formix::bridge::IntegrationAtStart integration;
  // A browser in front whose extension is not connected is said once, beside the bar, without
  // holding the program up.
  formix::platform::win32::ExtensionNotice browsers(
      bridged, [&] { return !bridgeServer.browsers().empty(); }, [&] { return desktop.mainWindow(); },
      [&integration] {
        std::u16string text(formix::bridge::kNotConnectedMessage);
        if (integration.notThisCopy) text += u"\n" + std::u16string(formix::bridge::kOtherCopyRegistered);
        std::thread([text] {
          MessageBoxW(nullptr, std::wstring(text.begin(), text.end()).c_str(), L"Formix",
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST);
        }).detach();
      });
  formix::ports::Desktop ports{desktop, desktop, desktop, desktop, desktop, desktop, desktop,
                                  view,    desktop, desktop, desktop, desktop, &browsers, &explorer, desktop};
  formix::app::FrmMain form(ports);
  view.attach(form);

  bool loaded = false;
  view.run([&] {
    form.Form_Load();
    loaded = true;
  });
  if (loaded && !desktop.ended()) {
    // A registration of this copy before it was moved follows it here; another copy's stays.
    integration = formix::bridge::refreshWindowsIntegration(programFolder(), programFolderTrust());
    for (const std::string& line : integration.lines) {
      say(integration.notThisCopy ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, "Formix: browser integration: " + line);
    }
    if (std::string why; !pipeName) {
      say(STD_ERROR_HANDLE, "Formix: browser bridge unavailable: cannot tell the user or the session");
    } else if (!bridgeServer.start(&why)) {
      say(STD_ERROR_HANDLE, "Formix: browser bridge unavailable: " + why);
    }
    MSG msg;
    while (!desktop.ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(desktop.mainWindow(), &msg)) continue;  // Tab moves between the controls
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  bridgeServer.stop();
  CoUninitialize();
  // Nothing of the model runs after the end of the program; the system takes the window.
  ExitProcess(0);
}
