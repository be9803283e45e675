// The option groups that choose the added key, the mouse trigger and the Windows-key trigger.
#include "app/main_window.h"
#include "triggers/trigger_codes.h"

namespace formix::app {

void FrmMain::optKEY_MouseDown(int index) {
  for (int i = 0; i < 3; ++i) mnu1_key(i).setChecked(false);
  mnu1_key(index).setChecked(true);
}

void FrmMain::optMS_MouseDown(int index) {
  for (int i = 0; i < 5; ++i) mnu1_ms(i).setChecked(false);
  mnu1_ms(index).setChecked(true);
  // While the settings panel is open the mouse trigger stays off; closing it applies the choice.
  if (chkSET.value() == 0 && index >= 0 && index <= 4 && hook_) step([&] { callHook(hook_->M_Mode[index]); });
}

void FrmMain::optWK_MouseDown(int index) {
  for (int i = 0; i < 3; ++i) mnu1_wk(i).setChecked(false);
  mnu1_wk(index).setChecked(true);
  if (index >= 0 && index <= 2 && hook_) step([&] { callHook(hook_->K_Mode[index]); });
}

void FrmMain::mnu1_key_Click(int index) {
  optKEY_MouseDown(index);
  optKEY(index).setValue(1);
}

void FrmMain::mnu1_ms_Click(int index) {
  optMS_MouseDown(index);
  optMS(index).setValue(1);
}

void FrmMain::mnu1_wk_Click(int index) {
  optWK_MouseDown(index);
  optWK(index).setValue(1);
}

void FrmMain::Form_MouseUp(int /*button*/, int /*shift*/, double x, double y) {
  runTrigger(triggers::triggerOf(x, y, desktop_.screen.twipsPerPixelX()));
}

void FrmMain::hookTriggered(triggers::Trigger trigger) {
  if (frmMain.enabled()) runTrigger(trigger);  // as a left-button-up on the window would
}

void FrmMain::runTrigger(triggers::Trigger trigger) {
  switch (trigger) {
    case triggers::Trigger::PopupMenu:
      step([&] { desktop_.windows.setForegroundWindow(hWnd); });
      step([&] { desktop_.popups.showPopupMenu(mnu0.name(), 2); });
      break;
    case triggers::Trigger::WholeFormFill:
      // A fill under way has disabled cmdPOST: a second fill trigger meanwhile is dropped.
      if (cmdPOST.enabled()) cmdPOST_Click();
      break;
    case triggers::Trigger::None:
      break;
  }
}

void FrmMain::runNamedTrigger(const triggers::NamedTrigger& trigger) {
  if (!frmMain.enabled()) return;  // as for the hook's triggers
  switch (trigger.kind) {
    case triggers::NamedTrigger::Kind::Menu:
      runTrigger(triggers::Trigger::PopupMenu);
      break;
    case triggers::NamedTrigger::Kind::Fill:
      runTrigger(triggers::Trigger::WholeFormFill);
      break;
    case triggers::NamedTrigger::Kind::Phrase:
      if (trigger.page != iPage) mnu0_page_Click(trigger.page);
      mnu0_btn_Click(trigger.phrase);
      break;
  }
}

}  // namespace formix::app
