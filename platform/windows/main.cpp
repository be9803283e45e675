// Formix.exe: the Windows desktop. The ports, the view and the model are put together here, the
// form is loaded, and the window's messages are pumped until the program ends.
#include <objbase.h>
#include <windows.h>

#include "app/main_window.h"
#include "platform/windows/ie_documents.h"
#include "platform/windows/resources.h"
#include "platform/windows/win32_desktop.h"
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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  perMonitorDpiAware();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // Internet Explorer's automation objects

  Win32Desktop desktop(instance);
  loadPictures(desktop, instance);
  formix::platform::win32::Win32View view(desktop, instance);
  formix::platform::win32::IeDocuments browsers;
  formix::platform::Desktop ports{desktop, desktop, desktop, desktop, desktop, desktop, desktop,
                                  view,    desktop, desktop, desktop, desktop, browsers, desktop};
  formix::app::FrmMain form(ports);
  view.attach(form);

  bool loaded = false;
  view.run([&] {
    form.Form_Load();
    loaded = true;
  });
  if (loaded && !desktop.ended()) {
    MSG msg;
    while (!desktop.ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (IsDialogMessageW(desktop.mainWindow(), &msg)) continue;  // Tab moves between the controls
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  CoUninitialize();
  // Nothing of the model runs after the end of the program; the system takes the window.
  ExitProcess(0);
}
