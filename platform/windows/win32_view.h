// The Win32 view of the main window: native child windows made from the model's controls, one
// window procedure that hands native events to the model's event methods, and the model's
// property changes shown on the native windows. It is also the desktop's popup-menu port, since
// the menu is the model's own tree.
#pragma once

#include <windows.h>

#include <map>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "platform/windows/win32_desktop.h"

namespace formix::platform::win32 {

class Win32View : public ports::PopupMenus {
 public:
  Win32View(Win32Desktop& desktop, HINSTANCE instance);
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  // Builds the native windows of every control of `form` and starts showing its changes.
  void attach(app::FrmMain& form);

  void showPopupMenu(std::string_view menuName, int flags) override;

  // Runs one model event: the end of the program and a failed statement stop only that event.
  template <typename F>
  void run(F&& event) {
    try {
      event();
    } catch (const app::ProgramEnded&) {
    } catch (const std::exception&) {
    }
    showFocus();
  }

 private:
  LRESULT procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK panelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK controlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT controlMessage(app::Control& control, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void command(HWND child, UINT code);
  void create(app::Control& control);
  void place(app::Control& control);
  void applyFont();
  void relayout();
  void propertyChanged(app::Control& control, std::string_view property);
  void showCheck(app::Control& control);
  void refillList(app::Control& control);
  // The native caret and selection of an edit box, copied into the model before a key is judged.
  void takeSelection(app::Control& control);
  void showFocus();
  double twipsPerPixel() const { return desktop_.twipsPerPixelX(); }
  HWND nativeOf(const app::Control* control) const;
  app::Control* controlOf(HWND window) const;
  HMENU buildMenu(const app::Control& menu, std::vector<app::Control*>& items);

  Win32Desktop& desktop_;
  HINSTANCE instance_;
  app::FrmMain* form_ = nullptr;
  HFONT font_ = nullptr;
  std::map<const app::Control*, HWND> windows_;
  std::map<HWND, app::Control*> controls_;
  std::map<HWND, WNDPROC> originals_;
  std::map<const app::Control*, HWND> groupBoxes_;
  bool applying_ = false;           // the view is writing the model's state into a native window
  app::Control* echo_ = nullptr;    // the native state of this control leads: its selection is not written back
  app::Control* pressed_ = nullptr; // the mouse went down on this check box or option button
  app::Control* shownFocus_ = nullptr;
};

}  // namespace formix::platform::win32
