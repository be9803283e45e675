// The phrase tables and the controls that show the current page.
#include "app/main_window.h"
#include "phrases/phrase_pages.h"

namespace formix::app {
namespace {

int slotOf(int page, int row) {
  const int slot = page * kRows + row;
  if (slot < 0 || slot >= kPages * kRows) throw StepError("no such phrase slot");
  return slot;
}

}  // namespace

void FrmMain::ShowPage(int page) {
  for (int row = 0; row < kRows; ++row) {
    const int slot = slotOf(page, row);  // a page outside 0..13 stops at the first row
    txtTT(row).setText(sTT[slot]);
    mnu0_btn(row).setCaption(phrases::menuCaption(sTT[slot]));
    txtCNT(row).setText(sCNT[slot]);
    cmd(row).setCaption(sTT[slot]);
    cmd(row).setToolTipText(sCNT[slot]);
  }
}

void FrmMain::StorePage(int page) {
  for (int row = 0; row < kRows; ++row) {
    const int slot = slotOf(page, row);
    sTT[slot] = txtTT(row).text();
    sCNT[slot] = txtCNT(row).text();
    cmd(row).setCaption(txtTT(row).text());
    cmd(row).setToolTipText(sCNT[slot]);
    mnu0_btn(row).setCaption(phrases::menuCaption(sTT[slot]));
  }
}

std::u16string FrmMain::phraseOf(int row) {
  if (row < 0 || row >= kRows) throw StepError("no such phrase row");
  const int slot = slotOf(iPage, row);
  // While the settings panel is open, its box shows the row's newest text, which closing the
  // panel stores anyway: it is stored now, so the phrase the user sees there is the one typed.
  if (chkSET.value() == 1) sCNT[slot] = txtCNT(row).text();
  return sCNT[slot];
}

void FrmMain::SelectPage(int page) {
  step([&] { setFocus(picBTN); });
  for (int k = 0; k < kPages; ++k) step([&] { mnu0_page(k).setChecked(false); });
  step([&] { mnu0_page(page).setChecked(true); });
  if (chkSET.value() == 1) {
    step([&] { StorePage(iPage); });
    step([&] { setFocus(txtTT(0)); });
  }
  step([&] { iPage = static_cast<int16_t>(page); });
  step([&] { ShowPage(iPage); });
}

void FrmMain::optPAGE_MouseDown(int index) { SelectPage(index); }

}  // namespace formix::app
