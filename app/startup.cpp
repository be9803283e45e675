// Start-up, save on close, unload, and the small commands of the main window.
#include <cfloat>
#include <cmath>

#include "app/main_window.h"
#include "text/number.h"
#include "text/utf.h"

namespace formix::app {
namespace {

constexpr std::u16string_view kCaption = u"Formix ";  // the hook library finds the window by it
constexpr std::u16string_view kTitle = u"Formix";
constexpr std::u16string_view kHookFailed = u"フックに失敗しました。";
constexpr std::u16string_view kUnhookFailed = u"フック解除に失敗しました。";
constexpr std::u16string_view kHookMissing =
    u"フックライブラリ fmxhook を読み込めませんでした。"
    u"右クリック・中クリック・Windowsキーでの呼び出しは使えません。";

// A number assigned to a single-precision property.
double toSingle(double v) {
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) throw StepError("overflow");
  return static_cast<double>(static_cast<float>(v));
}

int toIndex(double v) {
  auto i = text::toInt16(v);
  if (!i) throw StepError("overflow");
  return *i;
}

std::u16string trayTip() {
  std::u16string tip = u"Formix";
  tip.push_back(u'\0');
  tip.resize(64, u' ');
  return tip;
}

}  // namespace

void FrmMain::Form_Load() {
  // 1. A second instance ends at once, silently, touching nothing.
  if (desktop_.process.anotherInstanceRunning()) endProcess();

  // 2. Window state normal; the caption the hook library looks for.
  step([&] { frmMain.setCaption(std::u16string(kCaption)); });

  // 3. The keyword table of the form filler.
  step([&] { keywords_.SetKeywords(); });

  // 4. The profile lists.
  fillProfileLists();

  // 5.-6. The user name and, from it, the settings file, which is read once here.
  step([&] { userName = sGetUserName(desktop_.session); });
  step([&] { loaded_ = loadSettings(settingsPath()); });
  const SettingsRecord& r = loaded_.record;
  hook_ = desktop_.hookLoader.loadHookLibrary("fmxhook");

  // 7. Position.
  step([&] { frmMain.setLeft(toSingle(r.number(key::Left))); });
  step([&] { frmMain.setTop(toSingle(r.number(key::Top))); });

  // 8. Page. A stored page outside 1..14 would leave no page current, so that later edits were
  // never stored: such a value starts on the first page instead.
  int page = 0;
  step([&] {
    const int n = toIndex(r.pageIndex());
    if (n >= 0 && n < kPages) page = n;
  });
  step([&] { optPAGE(page).setValue(1); });
  step([&] { mnu0_page(page).setChecked(true); });
  step([&] { optPAGE_MouseDown(page); });

  // 9.-11. The three option groups; the mode calls reach the hook library before SetHook.
  const double addKey = r.number(key::AddKey);
  step([&] { optKEY.atNumber(addKey).setValue(1); });
  step([&] { mnu1_key.atNumber(addKey).setChecked(true); });
  step([&] { optKEY_MouseDown(toIndex(addKey)); });
  const double mouse = r.number(key::Mouse);
  step([&] { optMS.atNumber(mouse).setValue(1); });
  step([&] { mnu1_ms.atNumber(mouse).setChecked(true); });
  step([&] { optMS_MouseDown(toIndex(mouse)); });
  const double winKey = r.number(key::WinKey);
  step([&] { optWK.atNumber(winKey).setValue(1); });
  step([&] { optWK_MouseDown(toIndex(winKey)); });

  // 12. Start in the notification area.
  step([&] { chkTRAY.setValue(toIndex(r.number(key::TaskTray))); });

  // 13. Typing wait: 0, missing, too large or negative (which would never end the wait) give 50.
  step([&] { iWait = static_cast<int16_t>(toIndex(r.number(key::Wait))); });
  step([&] {
    if (iWait <= 0) iWait = 50;
  });

  // 14.-15. Profile and phrases.
  restoreProfile(r);
  for (int k = 0; k < kPages * kRows; ++k) {
    step([&] { sTT[k] = r.text(key::phraseTitle(k)); });
    step([&] { sCNT[k] = r.text(key::phraseContent(k)); });
  }

  // 16. The tray-icon record; the icon is not added here.
  step([&] {
    trayIcon.cbSize = 88;
    trayIcon.window = hWnd;
    trayIcon.id = 1;
    trayIcon.flags = 7;              // NIF_MESSAGE | NIF_ICON | NIF_TIP
    trayIcon.callbackMessage = 519;  // WM_MBUTTONDOWN
    trayIcon.icon = imgTRAY.picture();
    trayIcon.tip = text::toUtf8(trayTip());
  });

  // 17.-18. The narrow bar, kept whole on the screen.
  step([&] { frmMain.setWidth(kNarrowWidth); });
  step([&] {
    if (frmMain.left() < 0) frmMain.setLeft(0);
  });
  step([&] {
    if (frmMain.top() < 0) frmMain.setTop(0);
  });
  step([&] {
    const double screenWidth = desktop_.screen.widthTwips();
    if (static_cast<float>(frmMain.left() + frmMain.width()) > screenWidth) frmMain.setLeft(screenWidth - frmMain.width());
  });
  step([&] {
    const double screenHeight = desktop_.screen.heightTwips();
    if (static_cast<float>(frmMain.top() + frmMain.height()) > screenHeight) frmMain.setTop(screenHeight - frmMain.height());
  });

  // 19. The current page again, now with its phrases.
  step([&] { ShowPage(iPage); });

  // 20.-22. No panel shift; menu captions from the option buttons; the panels' rectangle.
  step([&] { panelShift = false; });
  for (int i = 0; i < 3; ++i) step([&] { mnu1_key(i).setCaption(optKEY(i).caption()); });
  for (int i = 0; i < 5; ++i) step([&] { mnu1_ms(i).setCaption(optMS(i).caption()); });
  for (int i = 0; i < 3; ++i) step([&] { mnu1_wk(i).setCaption(optWK(i).caption()); });
  step([&] {
    frSET.setLeft(1150);
    frSET.setTop(60);
    frSET.setWidth(5040);
    frPOST.setBounds(frSET.left(), frSET.top(), frSET.width(), frSET.height());
  });

  // 23. The hook. A refused hook ends the program before anything is written. A library that
  // cannot be loaded at all is said once; the program runs on without global gestures.
  if (!hook_ || !hook_->SetHook) {
    hookMissingReported_ = true;
    step([&] { desktop_.messages.showMessage(kHookMissing, kTitle, ports::MessageBoxes::kExclamation); });
  } else {
    int32_t result = 0;
    step([&] { result = callHook(hook_->SetHook); });
    if (result == -1) {
      step([&] { desktop_.messages.showMessage(kHookFailed, kTitle, ports::MessageBoxes::kCritical); });
      endProcess();
    }
  }

  // 24.-25. No tool tips on the content editors; the version label.
  for (int i = 0; i < kRows; ++i) step([&] { txtCNT(i).setToolTipText(u""); });
  step([&] {
    lblVer.setCaption(std::u16string(kTitle) + u" " + text::widen(std::to_string(FORMIX_VERSION_MAJOR) + "." +
                                                                  std::to_string(FORMIX_VERSION_MINOR) + "." +
                                                                  std::to_string(FORMIX_VERSION_PATCH)));
  });

  // 26.-27. Always on top; hand the foreground away with one press and release of Ctrl.
  step([&] { desktop_.windows.makeTopmost(hWnd); });
  step([&] { desktop_.windows.setForegroundWindow(desktop_.windows.desktopWindow()); });
  step([&] { desktop_.keyboard.keyEvent(ports::Key::Control, ports::KeyAction::Press); });
  step([&] { desktop_.keyboard.keyEvent(ports::Key::Control, ports::KeyAction::Release); });

  // 28. Shown, or hidden to the notification area.
  if (chkTRAY.value() == 1) {
    cmdTRAY_Click();
  } else {
    step([&] { frmMain.setVisible(true); });
  }
}

void FrmMain::Form_QueryUnload() {
  step([&] { frmMain.setVisible(false); });
  step([&] {
    if (panelShift) frmMain.setLeft(frmMain.left() + kPanelShift);
  });
  step([&] { StorePage(iPage); });

  // Everything is written in one all-or-nothing save, in the order of the keys. Keys that the
  // sequence does not write (Page with no page selected, an option group with none selected)
  // keep what the file held.
  SettingsRecord record = loaded_.record;
  step([&] { record.set(key::Left, text::widen(text::formatSingle(static_cast<float>(frmMain.left())))); });
  step([&] { record.set(key::Top, text::widen(text::formatSingle(static_cast<float>(frmMain.top())))); });
  int index = 0;
  if (checkedIndexOf(optPAGE, index)) record.set(key::Page, text::widen(std::to_string(index + 1)));
  if (checkedIndexOf(optKEY, index)) record.set(key::AddKey, text::widen(std::to_string(index)));
  if (checkedIndexOf(optMS, index)) record.set(key::Mouse, text::widen(std::to_string(index)));
  if (checkedIndexOf(optWK, index)) record.set(key::WinKey, text::widen(std::to_string(index)));
  record.set(key::TaskTray, text::widen(std::to_string(chkTRAY.value())));
  record.set(key::Wait, text::widen(std::to_string(iWait)));
  storeProfile(record);
  for (int k = 0; k < kPages * kRows; ++k) {
    record.set(key::phraseTitle(k), sTT[k]);
    record.set(key::phraseContent(k), sCNT[k]);
  }
  step([&] { saveSettings(settingsPath(), record); });
}

void FrmMain::Form_Unload() {
  if (hook_ && hook_->RemoveHook) {
    int32_t result = 0;
    step([&] { result = callHook(hook_->RemoveHook); });
    if (result == -1) {
      step([&] { desktop_.messages.showMessage(kUnhookFailed, kTitle, ports::MessageBoxes::kCritical); });
    }
  }
  step([&] { desktop_.clipboard.clear(); });
  endProcess();
}

void FrmMain::closeWindow() {
  Form_QueryUnload();
  Form_Unload();
}

void FrmMain::mnu0_end_Click() {
  step([&] { desktop_.tray.notifyIcon(ports::NotificationArea::kDelete, trayIcon); });
  closeWindow();
}

void FrmMain::lblURL_Click() { desktop_.shell.shellOpen(hWnd, lblURL.caption()); }

bool looksLikeAddress(std::u16string_view target) {
  // scheme ":" with a scheme of a letter and then letters, digits, "+", "-" or "."; one letter
  // alone is a drive ("C:\\...").
  const auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  const size_t colon = target.find(u':');
  if (colon == std::u16string_view::npos || colon < 2 || !letter(target.front())) return false;
  for (size_t i = 1; i < colon; ++i) {
    const char16_t c = target[i];
    if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') return false;
  }
  return true;
}

void OpenTarget(ports::Desktop& desktop, ports::WindowHandle owner, std::u16string& target) {
  const size_t first = target.find_first_not_of(u' ');
  target = first == std::u16string::npos ? u"" : target.substr(first, target.find_last_not_of(u' ') - first + 1);
  if (target.empty()) return;
  // A quoted text is one file or folder (a dropped file, blanks and all), and an address is no
  // program: both go to the shell, never to the program start.
  if (target.size() >= 2 && target.front() == u'"' && target.back() == u'"') {
    desktop.shell.shellOpen(owner, std::u16string_view(target).substr(1, target.size() - 2));
    return;
  }
  if (looksLikeAddress(target)) {
    desktop.shell.shellOpen(owner, target);
    return;
  }
  if (!desktop.shell.startProgram(target, 2)) desktop.shell.shellOpen(owner, target);
}

}  // namespace formix::app
