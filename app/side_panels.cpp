// The two side panels: the bar widens into the profile or the settings panel and back.
#include "app/main_window.h"

namespace formix::app {

void FrmMain::chkPOST_Click() {
  if (chkPOST.value() == 1) openPanel(chkPOST, frPOST, chkSET, frSET);
  else closePanel(chkPOST, frPOST, chkSET);
}

void FrmMain::chkSET_Click() {
  if (chkSET.value() == 1) openPanel(chkSET, frSET, chkPOST, frPOST);
  else closePanel(chkSET, frSET, chkPOST);
}

void FrmMain::openPanel(Control& /*toggle*/, Control& panel, Control& otherToggle, Control& otherPanel) {
  step([&] { panel.setVisible(true); });
  step([&] { otherPanel.setVisible(false); });
  if (&panel == &frSET) {
    step([&] { ShowPage(iPage); });
    for (int i = 0; i < kRows; ++i) {
      step([&] { txtTT(i).setVisible(true); });
      step([&] { cmd(i).setEnabled(false); });
      step([&] { cmd(i).setCaption(u""); });
    }
  }
  if (otherToggle.value() == 0) {
    // Widening would run off the right edge: move left by what the window gains.
    step([&] {
      if (frmMain.left() + frmMain.width() + kPanelShift > desktop_.screen.widthTwips()) {
        frmMain.setLeft(frmMain.left() - kPanelShift);
        panelShift = true;
      } else {
        panelShift = false;
      }
    });
    step([&] { frmMain.setWidth(kWideWidth); });
    step([&] { cmdTRAY.setEnabled(false); });
  }
  // Closing the other panel (if open) runs its own Click, which restores the mouse mode; the
  // call below then switches the mouse trigger off again.
  step([&] { otherToggle.setValue(0); });
  if (hook_) step([&] { callHook(hook_->M_Mode[0]); });
}

void FrmMain::closePanel(Control& /*toggle*/, Control& panel, Control& otherToggle) {
  if (&panel == &frSET) {
    step([&] { StorePage(iPage); });
    for (int i = 0; i < kRows; ++i) {
      step([&] { txtTT(i).setVisible(false); });
      step([&] { cmd(i).setEnabled(true); });
    }
  }
  if (otherToggle.value() == 0) {
    step([&] { frmMain.setWidth(kNarrowWidth); });
    // Back only if the narrow bar at its former place would end less than 30 twips past the edge.
    step([&] {
      if (desktop_.screen.widthTwips() + 30 > frmMain.left() + frmMain.width() + kPanelShift && panelShift) {
        frmMain.setLeft(frmMain.left() + kPanelShift);
      }
    });
    step([&] { panelShift = false; });
    step([&] { cmdTRAY.setEnabled(true); });
  }
  for (int i = 0; i < 5; ++i) {
    step([&] {
      if (optMS(i).value() != 0 && hook_) callHook(hook_->M_Mode[i]);
    });
  }
  step([&] { panel.setVisible(false); });
}

void FrmMain::focusFirstField(Control& field) {
  step([&] { setFocus(picBTN); });
  step([&] { setFocus(field); });
}

void FrmMain::chkPOST_MouseUp() { focusFirstField(txtAUTO(0)); }

void FrmMain::chkSET_MouseUp() { focusFirstField(txtTT(0)); }

}  // namespace formix::app
