// The option groups that choose the added key, the mouse trigger and the Windows-key trigger.
#include "app/main_window.h"

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

}  // namespace formix::app
