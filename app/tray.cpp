// The notification-area icon: hide to it, come back from it, the popup from it, the busy picture.
#include <cmath>

#include "app/main_window.h"
#include "phrases/phrase_pages.h"
#include "text/number.h"

namespace formix::app {
namespace {

constexpr int kLeftButtonUp = 514;   // WM_LBUTTONUP over the icon
constexpr int kRightButtonUp = 517;  // WM_RBUTTONUP over the icon
constexpr int kPopupRightButton = 2;

}  // namespace

void FrmMain::cmdTRAY_Click() {
  step([&] { frmMain.setVisible(false); });
  step([&] { desktop_.tray.notifyIcon(ports::NotificationArea::kAdd, trayIcon); });
  for (int i = 0; i < kRows; ++i) {
    step([&] { mnu0_btn(i).setCaption(phrases::menuCaption(cmd(i).caption())); });
  }
}

void FrmMain::cmdTRAY_MouseUp() {
  step([&] {
    if (frmMain.visible()) setFocus(picBTN);
  });
}

void FrmMain::chkTRAY_MouseUp() {
  step([&] { setFocus(picBTN); });
}

void FrmMain::Form_MouseDown(int /*button*/, int /*shift*/, double x, double /*y*/) {
  // The shell reports the icon's mouse message as a middle-button press whose x is the message.
  long message = 0;
  step([&] {
    const double twips = text::roundHalfEven(desktop_.screen.twipsPerPixelX());
    if (twips == 0) throw StepError("division by zero");
    message = static_cast<long>(std::trunc(text::roundHalfEven(x) / twips));
  });
  if (message == kLeftButtonUp) {
    step([&] { frmMain.setVisible(true); });
    step([&] { desktop_.windows.setForegroundWindow(desktop_.windows.desktopWindow()); });
    step([&] { desktop_.windows.setForegroundWindow(hWnd); });
    step([&] { desktop_.tray.notifyIcon(ports::NotificationArea::kDelete, trayIcon); });
  } else if (message == kRightButtonUp) {
    step([&] { desktop_.windows.setForegroundWindow(hWnd); });
    step([&] { desktop_.popups.showPopupMenu(mnu0.name(), kPopupRightButton); });
  }
}

void FrmMain::busyIconOn() {
  step([&] { trayIcon.icon = imgTRAY2.picture(); });
  step([&] {
    if (!frmMain.visible()) desktop_.tray.notifyIcon(ports::NotificationArea::kModify, trayIcon);
  });
}

void FrmMain::busyIconOff() {
  step([&] { trayIcon.icon = imgTRAY.picture(); });
  step([&] {
    if (!frmMain.visible()) desktop_.tray.notifyIcon(ports::NotificationArea::kModify, trayIcon);
  });
}

}  // namespace formix::app
