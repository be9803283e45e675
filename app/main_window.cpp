#include "app/main_window.h"

#include <algorithm>

#include "text/utf.h"

namespace formix::app {
namespace {

using K = ControlKind;

// What a single-line edit control does with Left and Right: a selection collapses to its start or
// end, otherwise the caret moves by one character.
void moveCaret(Control& box, int keyCode) {
  const int length = static_cast<int>(box.text().size());
  if (keyCode == 37) box.setSelStart(box.selLength() > 0 ? box.selStart() : std::max(0, box.selStart() - 1));
  else if (keyCode == 39) box.setSelStart(std::min(length, box.selStart() + std::max(box.selLength(), 1)));
}

}  // namespace

FrmMain::FrmMain(ports::Desktop& desktop)
    : frmMain(*this, K::Form, "frmMain"),
      picBTN(*this, K::PictureBox, "picBTN"),
      cmdPOST(*this, K::CommandButton, "cmdPOST"),
      chkPOST(*this, K::CheckBox, "chkPOST"),
      chkSET(*this, K::CheckBox, "chkSET"),
      cmd(*this, K::CommandButton, "cmd", kRows),
      txtTT(*this, K::TextBox, "txtTT", kRows),
      optPAGE(*this, K::OptionButton, "optPAGE", kPages),
      frSET(*this, K::Frame, "frSET"),
      frPOST(*this, K::Frame, "frPOST"),
      frKEY(*this, K::Frame, "frKEY"),
      frMS(*this, K::Frame, "frMS"),
      frWK(*this, K::Frame, "frWK"),
      frSex(*this, K::Frame, "frSex"),
      txtCNT(*this, K::TextBox, "txtCNT", kRows),
      optKEY(*this, K::OptionButton, "optKEY", 3),
      optMS(*this, K::OptionButton, "optMS", 5),
      optWK(*this, K::OptionButton, "optWK", 3),
      txtAUTO(*this, K::TextBox, "txtAUTO", 16),
      cboAUTO(*this, K::ComboBox, "cboAUTO", 2),
      optAUTO(*this, K::OptionButton, "optAUTO", 2),
      lblAUTO(*this, K::Label, "lblAUTO", 19),
      picTRAY(*this, K::PictureBox, "picTRAY"),
      cmdTRAY(*this, K::CommandButton, "cmdTRAY"),
      chkTRAY(*this, K::CheckBox, "chkTRAY"),
      imgTRAY(*this, K::Image, "imgTRAY"),
      imgTRAY2(*this, K::Image, "imgTRAY2"),
      lblURL(*this, K::Label, "lblURL"),
      lblVer(*this, K::Label, "lblVer"),
      tm(*this, K::Timer, "tm"),
      mnu0(*this, K::Menu, "mnu0"),
      mnu_page_chg(*this, K::Menu, "mnu_page_chg"),
      mnu0_page(*this, K::Menu, "mnu0_page", kPages),
      mnu0_nop1(*this, K::Menu, "mnu0_nop1"),
      mnu0_btn(*this, K::Menu, "mnu0_btn", kRows),
      mnu0_nop2(*this, K::Menu, "mnu0_nop2"),
      mnu_key(*this, K::Menu, "mnu_key"),
      mnu1_key(*this, K::Menu, "mnu1_key", 3),
      mnu_ms(*this, K::Menu, "mnu_ms"),
      mnu1_ms(*this, K::Menu, "mnu1_ms", 5),
      mnu_wk(*this, K::Menu, "mnu_wk"),
      mnu1_wk(*this, K::Menu, "mnu1_wk", 3),
      mnu0_nop4(*this, K::Menu, "mnu0_nop4"),
      mnu0_undo(*this, K::Menu, "mnu0_undo"),
      mnu0_end(*this, K::Menu, "mnu0_end"),
      desktop_(desktop) {
  layoutControls();
  hWnd = desktop_.windows.createMainWindow(frmMain.caption());
  desktop_.windows.setWindowBounds(hWnd, frmMain.left(), frmMain.top(), frmMain.width(), frmMain.height());
}

void FrmMain::register_(Control& control) { all_.push_back(&control); }

void FrmMain::registerArray(ControlArray& array) {
  for (const auto& c : array) all_.push_back(c.get());
}

Control* FrmMain::findControl(std::string_view name, int index) const {
  for (Control* c : all_) {
    if (c->name() == name && c->index() == index) return c;
  }
  return nullptr;
}

std::filesystem::path FrmMain::settingsPath() const {
  const std::u16string path = settingsFilePath(desktop_.session.programFolder(), userName,
                                               desktop_.session.pathSeparator());
  // From UTF-16 directly: a narrow path would pass through the ANSI code page on Windows.
  return std::filesystem::path(path);
}

void FrmMain::propertyChanged(Control& control, std::string_view property) {
  if (&control == &frmMain) {  // the form's own properties live in the desktop's window
    if (property == "Visible") {
      desktop_.windows.setWindowVisible(hWnd, frmMain.visible());
      if (!frmMain.visible()) focused_ = nullptr;
    } else if (property == "Caption") {
      desktop_.windows.setWindowCaption(hWnd, frmMain.caption());
    } else if (property == "Left" || property == "Top" || property == "Width" || property == "Height") {
      desktop_.windows.setWindowBounds(hWnd, frmMain.left(), frmMain.top(), frmMain.width(), frmMain.height());
    }
  }
  // A focused control whose panel (or itself) was hidden or disabled loses the focus.
  if ((property == "Visible" || property == "Enabled") && focused_ != nullptr && !focused_->canTakeFocus()) {
    blur(*focused_);
  }
  if (onPropertyChanged) onPropertyChanged(control, property);
}

void FrmMain::valueClicked(Control& control) {
  if (&control == &chkPOST) chkPOST_Click();
  else if (&control == &chkSET) chkSET_Click();
}

[[noreturn]] void FrmMain::endProcess() {
  running_ = false;
  desktop_.process.endProcess();
  throw ProgramEnded{};
}

int32_t FrmMain::callHook(const std::function<int32_t()>& exportFn) {
  if (!hook_ || !exportFn) throw StepError("hook library not loaded");
  return exportFn();
}

void FrmMain::callHook(const std::function<void()>& exportFn) {
  if (!hook_ || !exportFn) throw StepError("hook library not loaded");
  exportFn();
}

bool FrmMain::checkedIndexOf(const ControlArray& options, int& index) const {
  for (int i = 0; i < options.count(); ++i) {
    if (options(i).value() != 0) {
      index = i;
      return true;
    }
  }
  return false;
}

// ---- Focus ----

void FrmMain::setFocus(Control& control) {
  if (!frmMain.visible() || !control.canTakeFocus()) {
    throw StepError(control.displayName() + " cannot take the focus");
  }
  if (focused_ == &control) return;
  Control* old = focused_;
  focused_ = &control;
  if (old != nullptr) {
    if (old->name() == "txtAUTO") txtAUTO_LostFocus(old->index());
    else if (old->name() == "txtTT" || old->name() == "txtCNT") step([&] { StripControlChars(*old); });
  }
  if (focused_ != &control) return;  // a LostFocus handler moved the focus elsewhere
  if (control.name() == "txtAUTO") {
    txtAUTO_GotFocus(control.index());
  } else if (control.name() == "txtTT" || control.name() == "txtCNT") {
    // The whole text is selected: caret at 0 and at least 256 characters, so that a longer text
    // (the settings file keeps any length) is selected whole too.
    step([&] {
      control.setSelStart(0);
      control.setSelLength(std::max(256, static_cast<int>(control.text().size())));
    });
  }
}

void FrmMain::blur(Control& control) {
  if (focused_ != &control) return;
  focused_ = nullptr;
  if (control.name() == "txtAUTO") txtAUTO_LostFocus(control.index());
  else if (control.name() == "txtTT" || control.name() == "txtCNT") step([&] { StripControlChars(control); });
}

// ---- Events from a view ----

void FrmMain::mouseDown(Control& control, int button, double x, double y) {
  if (!control.enabled()) return;
  switch (control.kind()) {
    case K::TextBox:
    case K::ComboBox:
    case K::CommandButton:
    case K::CheckBox:
    case K::OptionButton:
      if (control.canTakeFocus() && frmMain.visible()) setFocus(control);
      break;
    default:
      break;
  }
  const std::string& n = control.name();
  if (&control == &frmMain) Form_MouseDown(button, 0, x, y);
  else if (n == "optPAGE") optPAGE_MouseDown(control.index());
  else if (n == "optKEY") optKEY_MouseDown(control.index());
  else if (n == "optMS") optMS_MouseDown(control.index());
  else if (n == "optWK") optWK_MouseDown(control.index());
}

void FrmMain::mouseUp(Control& control, int button, double x, double y) {
  if (!control.enabled()) return;
  if (&control == &frmMain) Form_MouseUp(button, 0, x, y);
  else if (&control == &cmdTRAY) cmdTRAY_MouseUp();
  else if (&control == &chkTRAY) chkTRAY_MouseUp();
  else if (&control == &chkPOST) chkPOST_MouseUp();
  else if (&control == &chkSET) chkSET_MouseUp();
  else if (control.name() == "optKEY" || control.name() == "optMS" || control.name() == "optWK") {
    step([&] { setFocus(picBTN); });
  }
}

void FrmMain::click(Control& control) {
  // A control the user cannot see (itself or its panel hidden) or that is disabled gets nothing.
  for (const Control* c = &control; c != nullptr && c->kind() != K::Menu; c = c->container()) {
    if (!c->visible() || !c->enabled()) return;
  }
  switch (control.kind()) {
    case K::CommandButton:
      mouseDown(control);
      mouseUp(control);
      if (&control == &cmdTRAY) cmdTRAY_Click();
      else if (&control == &cmdPOST) cmdPOST_Click();
      else if (control.name() == "cmd") cmd_Click(control.index());
      break;
    case K::CheckBox:
      // The value changes (and Click runs) before the release is reported.
      mouseDown(control);
      control.setValue(control.value() == 1 ? 0 : 1);
      mouseUp(control);
      break;
    case K::OptionButton:
      mouseDown(control);
      control.setValue(1);
      mouseUp(control);
      break;
    case K::Label:
      if (&control == &lblURL) lblURL_Click();
      break;
    case K::Menu:
      chooseMenuItem(control);
      break;
    default:
      mouseDown(control);
      mouseUp(control);
      break;
  }
}

void FrmMain::keyDown(Control& control, int keyCode) {
  if (!control.enabled()) return;
  typeInto(control);
  if (control.name() == "txtTT") txtTT_KeyDown(control.index(), keyCode);
  else if (control.name() == "txtCNT") txtCNT_KeyDown(control.index(), keyCode);
  // A key that got through and left the focus where it was is the edit control's own.
  if (keyCode != 0 && focused_ == &control && control.kind() == K::TextBox) moveCaret(control, keyCode);
}

void FrmMain::typeInto(Control& control) {
  if (focused_ != &control && control.canTakeFocus() && frmMain.visible()) setFocus(control);
}

void FrmMain::keyPress(Control& control, int keyAscii) {
  if (!control.enabled()) return;
  typeInto(control);
  if (control.name() == "txtAUTO") txtAUTO_KeyPress(control.index(), keyAscii);
  if (keyAscii == 0 || (control.kind() != K::TextBox && control.kind() != K::ComboBox)) return;
  // What the edit control does with a key that got through.
  std::u16string text = control.text();
  const auto start = static_cast<size_t>(std::min<int>(control.selStart(), static_cast<int>(text.size())));
  const auto length = static_cast<size_t>(control.selLength());
  size_t caret = start;
  if (keyAscii == 8) {
    if (length > 0) {
      text.erase(start, length);
    } else if (start > 0) {
      text.erase(start - 1, 1);
      caret = start - 1;
    }
  } else if (keyAscii >= 0x20) {
    if (control.maxLength() > 0 && static_cast<int>(text.size() - length) >= control.maxLength()) return;
    text.replace(start, length, 1, static_cast<char16_t>(keyAscii));
    caret = start + 1;
  } else {
    return;
  }
  control.setText(std::move(text));
  control.setSelStart(static_cast<int>(caret));
}

void FrmMain::editText(Control& control, std::u16string text) {
  if (!control.enabled()) return;
  typeInto(control);
  if (control.maxLength() > 0 && static_cast<int>(text.size()) > control.maxLength()) {
    text.resize(static_cast<size_t>(control.maxLength()));
  }
  control.setText(std::move(text));
  control.setSelStart(static_cast<int>(control.text().size()));
}

void FrmMain::chooseMenuItem(Control& item) {
  if (&item == &mnu0_end) mnu0_end_Click();
  else if (&item == &mnu0_undo) mnu0_undo_Click();
  else if (item.name() == "mnu0_page") mnu0_page_Click(item.index());
  else if (item.name() == "mnu0_btn") mnu0_btn_Click(item.index());
  else if (item.name() == "mnu1_key") mnu1_key_Click(item.index());
  else if (item.name() == "mnu1_ms") mnu1_ms_Click(item.index());
  else if (item.name() == "mnu1_wk") mnu1_wk_Click(item.index());
}

}  // namespace formix::app
