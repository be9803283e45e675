// The popup menu: its tree for views, and the page and phrase items.
#include "app/main_window.h"

namespace formix::app {

std::vector<Control*> FrmMain::popupItems(const Control& menu) {
  std::vector<Control*> items;
  const auto add = [&](const ControlArray& array) {
    for (const auto& item : array) items.push_back(item.get());
  };
  if (&menu == &mnu0) {
    items = {&mnu_page_chg, &mnu0_nop1};
    add(mnu0_btn);
    items.insert(items.end(), {&mnu0_nop2, &mnu_key, &mnu_ms, &mnu_wk, &mnu0_nop4, &mnu0_undo, &mnu0_end});
  } else if (&menu == &mnu_page_chg) {
    add(mnu0_page);
  } else if (&menu == &mnu_key) {
    add(mnu1_key);
  } else if (&menu == &mnu_ms) {
    add(mnu1_ms);
  } else if (&menu == &mnu_wk) {
    add(mnu1_wk);
  }
  return items;
}

void FrmMain::mnu0_page_Click(int index) {
  optPAGE_MouseDown(index);
  step([&] { optPAGE(index).setValue(1); });
}

// Types the content editor's text, so it works while the settings panel is open too (the bar's
// buttons are disabled then) and types the row as edited so far.
void FrmMain::mnu0_btn_Click(int index) { TypePhrase(index); }

}  // namespace formix::app
