// The title and content editors: the 2 x 15 arrow-key grid, and files dropped on a content editor.
#include "app/main_window.h"

namespace formix::app {
namespace {

constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr int kDropEffectCopy = 1;

int length(const Control& box) { return static_cast<int>(box.text().size()); }

// The editor that Up or Down moves to from row `index` of a column of editors, or nullptr. At the
// first and the last row the key is discarded (keyCode 0).
Control* rowMove(const ControlArray& column, int index, int& keyCode) {
  if (keyCode == kUp) {
    if (index > 0) return &column(index - 1);
    keyCode = 0;
  } else if (keyCode == kDown) {
    if (index < column.count() - 1) return &column(index + 1);
    keyCode = 0;
  }
  return nullptr;
}

// Only a content editor the user can see takes drops.
bool takesDrops(const Control& control, const Control& form) {
  return control.name() == "txtCNT" && control.canTakeFocus() && form.visible();
}

}  // namespace

void FrmMain::txtTT_KeyDown(int index, int& keyCode) {
  Control* to = rowMove(txtTT, index, keyCode);
  // Right at the end of a title crosses to the content of the same row.
  if (keyCode == kRight && txtTT(index).selStart() == length(txtTT(index))) to = &txtCNT(index);
  if (to != nullptr) step([&] {
      setFocus(*to);
      to->setSelStart(0);
    });
}

void FrmMain::txtCNT_KeyDown(int index, int& keyCode) {
  Control* to = rowMove(txtCNT, index, keyCode);
  int caret = 0;
  // Left at the start of a content crosses to the end of the title of the same row.
  if (keyCode == kLeft && txtCNT(index).selStart() == 0) {
    to = &txtTT(index);
    caret = length(*to);
  }
  if (to != nullptr) step([&] {
      setFocus(*to);
      to->setSelStart(caret);
    });
}

void FrmMain::txtCNT_OLEDragOver(int index, int& effect) {
  (void)txtCNT(index);
  effect &= kDropEffectCopy;
}

void FrmMain::txtCNT_OLEDragDrop(int index, const std::vector<std::u16string>& files) {
  // Dragged data without a file (plain text, say) leaves the content as it is.
  if (files.empty()) return;
  // In quotes: the path is one target whatever blanks it holds, never a command line.
  txtCNT(index).setText(u"%O\"" + files.front() + u"\"");
}

int FrmMain::dragOver(Control& control, int effect) {
  if (!takesDrops(control, frmMain)) return 0;
  txtCNT_OLEDragOver(control.index(), effect);
  return effect;
}

void FrmMain::dropFiles(Control& control, const std::vector<std::u16string>& files) {
  if (takesDrops(control, frmMain)) txtCNT_OLEDragDrop(control.index(), files);
}

}  // namespace formix::app
