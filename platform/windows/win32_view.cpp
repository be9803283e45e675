#include "platform/windows/win32_view.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cmath>

#include "platform/windows/resources.h"
#include "platform/windows/win32_text.h"

namespace formix::platform::win32 {
namespace {

using app::Control;
using app::ControlKind;

Win32View* gView = nullptr;  // one view per process: the static procedures find it here
constexpr const wchar_t* kPanelClass = L"FormixPanel";
constexpr int kFirstControlId = 100;
constexpr int kComboListHeight = 200;  // pixels of the open list under a drop-down combo box

int pixels(double twips, double twipsPerPixel) { return static_cast<int>(std::lround(twips / twipsPerPixel)); }

// Menu captions show "&" only when doubled.
std::wstring menuCaption(std::u16string_view caption) {
  std::wstring out;
  for (char16_t c : caption) {
    if (c == u'&') out += L'&';
    out += static_cast<wchar_t>(c);
  }
  return out;
}

// The picture a control shows, by its name; 0 for none.
int pictureOf(const Control& c) {
  if (c.name() == "cmdPOST") return IDI_FILL;
  if (c.name() == "chkPOST") return IDI_PROFILE;
  if (c.name() == "chkSET") return IDI_SETTINGS;
  if (c.name() == "cmdTRAY") return IDI_TRAY;
  return 0;
}

bool isEditor(const Control& c) { return c.kind() == ControlKind::TextBox; }

}  // namespace

Win32View::Win32View(Win32Desktop& desktop, HINSTANCE instance) : desktop_(desktop), instance_(instance) {
  gView = this;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = panelProcedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPanelClass;
  RegisterClassExW(&wc);
}

Win32View::~Win32View() {
  if (font_ != nullptr) DeleteObject(font_);
  gView = nullptr;
}

void Win32View::attach(app::FrmMain& form) {
  form_ = &form;
  desktop_.windowProcedure = [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return procedure(w, m, wp, lp); };
  for (Control* c : form.allControls()) create(*c);
  // The title editors lie over the bar's phrase buttons; each frame's group box goes behind the
  // frame's controls.
  for (const auto& editor : form.txtTT) {
    SetWindowPos(nativeOf(editor.get()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  for (const auto& [frame, box] : groupBoxes_) {
    SetWindowPos(box, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  applyFont();
  form.onPropertyChanged = [this](Control& c, std::string_view property) { propertyChanged(c, property); };
}

// ---- The main window's procedure ----

LRESULT Win32View::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  app::FrmMain& form = *form_;
  const double tpp = twipsPerPixel();
  const double x = GET_X_LPARAM(lParam) * tpp, y = GET_Y_LPARAM(lParam) * tpp;
  switch (message) {
    case WM_COMMAND:
      // Notifications of the child controls (panels forward theirs here).
      if (lParam != 0) command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return 0;

    case WM_LBUTTONUP:
      // A release on the window's background; the hook library's trigger codes arrive this way.
      run([&] { form.mouseUp(form.frmMain, app::kLeftButton, x, y); });
      return 0;
    case WM_RBUTTONUP:
      run([&] { form.mouseUp(form.frmMain, app::kRightButton, x, y); });
      return 0;
    case WM_MBUTTONUP:
      run([&] { form.mouseUp(form.frmMain, app::kMiddleButton, x, y); });
      return 0;

    case WM_MBUTTONDOWN:
      // The notification icon's callback message: its x is the mouse message over the icon.
      run([&] { form.mouseDown(form.frmMain, app::kMiddleButton, x, y); });
      return 0;
    case WM_LBUTTONDOWN:
      run([&] { form.mouseDown(form.frmMain, app::kLeftButton, x, y); });
      return 0;
    case WM_RBUTTONDOWN:
      run([&] { form.mouseDown(form.frmMain, app::kRightButton, x, y); });
      return 0;

    case WM_TIMER:
      if (wParam == Win32Desktop::kTimerId) run([&] { desktop_.timerFired(); });
      return 0;

    case WM_CLOSE:
      // Any close of the window saves and unloads, as the popup's exit does.
      run([&] { form.closeWindow(); });
      return 0;
    case WM_GETMINMAXINFO:
      // The narrow bar is narrower than the system's smallest captioned window.
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{1, 1};
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) run([&] { form.closeWindow(); });
      return 0;

    case WM_DPICHANGED: {
      // Moved to a monitor of another resolution: same twips, new pixels.
      relayout();
      run([&] {
        desktop_.setWindowBounds(form.hWnd, form.frmMain.left(), form.frmMain.top(), form.frmMain.width(),
                                 form.frmMain.height());
      });
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Containers (the button bar, the panels, the frames) pass their children's notifications on.
LRESULT CALLBACK Win32View::panelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gView != nullptr && gView->form_ != nullptr &&
      (message == WM_COMMAND || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN)) {
    if (message == WM_COMMAND) return gView->procedure(window, message, wParam, lParam);
    return SendMessageW(GetParent(window), message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32View::controlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gView != nullptr) {
    if (Control* c = gView->controlOf(window)) return gView->controlMessage(*c, window, message, wParam, lParam);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// What the subclassed controls (edit boxes, check boxes, option buttons) hear before the system.
LRESULT Win32View::controlMessage(Control& c, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  app::FrmMain& form = *form_;
  const WNDPROC original = originals_.at(window);
  const auto system = [&] { return CallWindowProcW(original, window, message, wParam, lParam); };
  switch (message) {
    case WM_LBUTTONDOWN:
      if (c.kind() == ControlKind::CheckBox || c.kind() == ControlKind::OptionButton) {
        pressed_ = &c;
        run([&] { form.mouseDown(c, app::kLeftButton, GET_X_LPARAM(lParam) * twipsPerPixel(), 0); });
      }
      return system();
    case WM_LBUTTONUP: {
      const LRESULT result = system();  // the value changes (BN_CLICKED) before the release is told
      if (pressed_ == &c) {
        pressed_ = nullptr;
        run([&] { form.mouseUp(c, app::kLeftButton, GET_X_LPARAM(lParam) * twipsPerPixel(), 0); });
      }
      return result;
    }
    case WM_KEYDOWN: {
      if (!isEditor(c)) return system();
      takeSelection(c);
      const int key = static_cast<int>(wParam);
      echo_ = &c;
      run([&] { form.keyDown(c, key); });
      echo_ = nullptr;
      // The model moved to another editor, or Up and Down, which only the model's grid uses.
      if (form.focused() != &c || key == VK_UP || key == VK_DOWN) return 0;
      const LRESULT result = system();
      takeSelection(c);
      return result;
    }
    case WM_CHAR: {
      const auto ch = static_cast<int>(wParam);
      if (!isEditor(c) || (ch < 0x20 && ch != 8) || ch == 0x7F) return system();  // Ctrl+letters stay the editor's
      takeSelection(c);
      run([&] { form.keyPress(c, ch); });
      return 0;
    }
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      std::vector<std::u16string> files;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        files.push_back(utf16(path));
      }
      DragFinish(drop);
      run([&] { form.dropFiles(c, files); });
      return 0;
    }
    default:
      return system();
  }
}

// Notifications of a child control, turned into the model's events.
void Win32View::command(HWND child, UINT code) {
  Control* found = controlOf(child);
  if (found == nullptr || applying_) return;
  Control& c = *found;
  app::FrmMain& form = *form_;
  switch (c.kind()) {
    case ControlKind::CommandButton:
      if (code == BN_CLICKED) run([&] { form.click(c); });
      break;
    case ControlKind::CheckBox:
      if (code == BN_CLICKED) run([&] { c.setValue(c.value() == 1 ? 0 : 1); });
      showCheck(c);
      break;
    case ControlKind::OptionButton:
      if (code == BN_CLICKED) run([&] { c.setValue(1); });
      showCheck(c);
      break;
    case ControlKind::Label:
      if (code == STN_CLICKED) run([&] { form.click(c); });
      break;
    case ControlKind::TextBox:
    case ControlKind::ComboBox:
      if (code == EN_SETFOCUS || code == CBN_SETFOCUS) {
        if (form.focused() != &c) run([&] { form.setFocus(c); });
      } else if (code == EN_KILLFOCUS || code == CBN_KILLFOCUS) {
        // Focus that leaves for another of our controls is moved by that control's own notice.
        HWND to = GetFocus();
        if (to == nullptr || (controlOf(to) == nullptr && controlOf(GetParent(to)) == nullptr)) {
          run([&] { form.blur(c); });
        }
      } else if (code == EN_CHANGE || code == CBN_EDITCHANGE || code == CBN_SELCHANGE) {
        std::u16string text = windowTextW(child);
        if (code == CBN_SELCHANGE) {
          const auto item = SendMessageW(child, CB_GETCURSEL, 0, 0);
          if (item < 0) break;
          std::wstring entry(static_cast<size_t>(SendMessageW(child, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0)) + 1, L'\0');
          SendMessageW(child, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(entry.data()));
          text = utf16(entry.c_str());
        }
        echo_ = &c;
        run([&] { form.editText(c, text); });
        if (isEditor(c)) takeSelection(c);
        echo_ = nullptr;
      }
      break;
    default:
      break;
  }
}

// ---- Native windows from the model's controls ----

void Win32View::create(Control& c) {
  if (windows_.count(&c) != 0 || &c == &form_->frmMain) return;
  Control* container = c.container();
  if (container != nullptr && container != &form_->frmMain) create(*container);
  HWND parent = container == nullptr || container == &form_->frmMain ? desktop_.mainWindow() : nativeOf(container);
  if (parent == nullptr) return;

  const wchar_t* cls = nullptr;
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD exStyle = 0;
  std::wstring caption = wide(c.caption());
  bool subclass = false;
  switch (c.kind()) {
    case ControlKind::PictureBox:
      cls = kPanelClass;
      style |= WS_CLIPCHILDREN;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::Frame:
      // Its group box does not paint its inside: the frame paints under it.
      cls = kPanelClass;
      exStyle |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::CommandButton:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP | (pictureOf(c) != 0 ? BS_ICON : 0);
      break;
    case ControlKind::CheckBox:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP | (pictureOf(c) != 0 ? BS_PUSHLIKE | BS_ICON : 0);
      subclass = true;
      break;
    case ControlKind::OptionButton:
      cls = L"BUTTON";
      style |= BS_AUTORADIOBUTTON | (c.index() == 0 ? WS_GROUP | WS_TABSTOP : 0);
      if (c.name() == "optPAGE") {  // the page selectors show their page number
        style |= BS_PUSHLIKE;
        caption = std::to_wstring(c.index() + 1);
      }
      subclass = true;
      break;
    case ControlKind::TextBox:
      cls = L"EDIT";
      // A thin border, and none for the title editors, which sit inside the bar's buttons and
      // are too low for a border and a line of text.
      style |= ES_AUTOHSCROLL | WS_TABSTOP | (c.name() == "txtTT" ? 0 : WS_BORDER);
      caption = wide(c.text());
      subclass = true;
      break;
    case ControlKind::ComboBox:
      cls = L"COMBOBOX";
      style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
      caption.clear();
      break;
    case ControlKind::Label:
      cls = L"STATIC";
      style |= SS_LEFT | (c.name() == "lblURL" ? SS_NOTIFY : 0);
      break;
    default:
      return;  // the form, its timer, the invisible pictures and the menu have no window of their own
  }
  if (c.visible()) style |= WS_VISIBLE;
  if (!c.enabled()) style |= WS_DISABLED;
  const auto id = static_cast<INT_PTR>(kFirstControlId + windows_.size());
  HWND w = CreateWindowExW(exStyle, cls, caption.c_str(), style, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(id),
                           instance_, nullptr);
  if (w == nullptr) return;
  windows_[&c] = w;
  controls_[w] = &c;

  if (c.kind() == ControlKind::Frame) {
    // The frame's border and caption: a group box behind the frame's controls.
    HWND box = CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX,
                               0, 0, 10, 10, w, nullptr, instance_, nullptr);
    groupBoxes_[&c] = box;
  }
  if (const int picture = pictureOf(c)) {
    SendMessageW(w, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(desktop_.picture(static_cast<uint32_t>(picture))));
  }
  if (c.kind() == ControlKind::ComboBox) {
    refillList(c);
    SetWindowTextW(w, wide(c.text()).c_str());
  }
  if (c.name() == "txtCNT") DragAcceptFiles(w, TRUE);  // a file dropped on a content editor becomes "%O" + path
  if (c.kind() == ControlKind::TextBox && c.maxLength() > 0) SendMessageW(w, EM_LIMITTEXT, static_cast<WPARAM>(c.maxLength()), 0);
  if (c.kind() == ControlKind::CheckBox || c.kind() == ControlKind::OptionButton) showCheck(c);
  if (subclass) {
    originals_[w] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32View::controlProcedure)));
  }
  place(c);
}

void Win32View::place(Control& c) {
  HWND w = nativeOf(&c);
  if (w == nullptr) return;
  const double tpp = twipsPerPixel();
  const int width = pixels(c.width(), tpp), height = pixels(c.height(), tpp);
  const int listHeight = c.kind() == ControlKind::ComboBox ? kComboListHeight : 0;
  SetWindowPos(w, nullptr, pixels(c.left(), tpp), pixels(c.top(), tpp), width, height + listHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (auto box = groupBoxes_.find(&c); box != groupBoxes_.end()) {
    SetWindowPos(box->second, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The system's user-interface font at the window's resolution.
void Win32View::applyFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = reinterpret_cast<ForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  if (forDpi == nullptr || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, desktop_.dpi())) {
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  }
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  for (const auto& [control, window] : windows_) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  for (const auto& [control, box] : groupBoxes_) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

void Win32View::relayout() {
  applyFont();
  for (const auto& [control, window] : windows_) place(*const_cast<Control*>(control));
}

// ---- Model changes shown on the native windows ----

void Win32View::propertyChanged(Control& c, std::string_view property) {
  HWND w = nativeOf(&c);
  if (w == nullptr) return;  // the form itself is the desktop's; menus are built when they open
  applying_ = true;
  if (property == "Caption" && c.name() != "optPAGE") {
    SetWindowTextW(w, wide(c.caption()).c_str());
    if (auto box = groupBoxes_.find(&c); box != groupBoxes_.end()) SetWindowTextW(box->second, wide(c.caption()).c_str());
  } else if (property == "Text") {
    if (windowTextW(w) != c.text()) SetWindowTextW(w, wide(c.text()).c_str());
  } else if (property == "Enabled") {
    EnableWindow(w, c.enabled());
  } else if (property == "Visible") {
    ShowWindow(w, c.visible() ? SW_SHOWNA : SW_HIDE);
  } else if (property == "Value") {
    showCheck(c);
  } else if (property == "Left" || property == "Top" || property == "Width" || property == "Height") {
    place(c);
  } else if ((property == "SelStart" || property == "SelLength") && echo_ != &c) {
    const auto start = static_cast<WPARAM>(c.selStart());
    if (c.kind() == ControlKind::TextBox) SendMessageW(w, EM_SETSEL, start, static_cast<LPARAM>(start + static_cast<WPARAM>(c.selLength())));
  } else if (property == "ListCount") {
    refillList(c);
  }
  applying_ = false;
}

void Win32View::showCheck(Control& c) {
  HWND w = nativeOf(&c);
  const WPARAM state = c.value() == 1 ? BST_CHECKED : c.value() == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
  if (w != nullptr && static_cast<WPARAM>(SendMessageW(w, BM_GETCHECK, 0, 0)) != state) {
    const bool was = applying_;
    applying_ = true;
    SendMessageW(w, BM_SETCHECK, state, 0);
    applying_ = was;
  }
}

void Win32View::refillList(Control& c) {
  HWND w = nativeOf(&c);
  const std::u16string text = windowTextW(w);
  SendMessageW(w, CB_RESETCONTENT, 0, 0);
  for (const auto& item : c.list()) SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
  SetWindowTextW(w, wide(text).c_str());
}

void Win32View::takeSelection(Control& c) {
  HWND w = nativeOf(&c);
  DWORD start = 0, end = 0;
  SendMessageW(w, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  Control* was = echo_;
  echo_ = &c;
  try {
    c.setSelStart(static_cast<int>(start));
    c.setSelLength(static_cast<int>(end - start));
  } catch (const std::exception&) {
  }
  echo_ = was;
}

// The model decides where the keyboard focus is; the native focus follows it.
void Win32View::showFocus() {
  if (form_ == nullptr) return;
  Control* focus = form_->focused();
  if (focus == shownFocus_) return;
  shownFocus_ = focus;
  HWND w = nativeOf(focus);
  if (w != nullptr && IsWindowVisible(desktop_.mainWindow()) && GetFocus() != w) SetFocus(w);
}

HWND Win32View::nativeOf(const Control* control) const {
  auto it = windows_.find(control);
  return it == windows_.end() ? nullptr : it->second;
}

Control* Win32View::controlOf(HWND window) const {
  auto it = controls_.find(window);
  return it == controls_.end() ? nullptr : it->second;
}

// ---- The popup menu, made from the model's tree each time it opens ----

HMENU Win32View::buildMenu(const Control& menu, std::vector<Control*>& items) {
  HMENU m = CreatePopupMenu();
  for (Control* item : form_->popupItems(menu)) {
    if (item->caption() == u"-") {
      AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
    } else if (!form_->popupItems(*item).empty()) {
      AppendMenuW(m, MF_POPUP, reinterpret_cast<UINT_PTR>(buildMenu(*item, items)), menuCaption(item->caption()).c_str());
    } else {
      items.push_back(item);
      const UINT flags = MF_STRING | (item->checked() ? MF_CHECKED : 0) | (item->enabled() ? 0 : MF_GRAYED);
      AppendMenuW(m, flags, items.size(), menuCaption(item->caption()).c_str());
    }
  }
  return m;
}

void Win32View::showPopupMenu(std::string_view menuName, int flags) {
  Control* menu = form_->findControl(menuName, -1);
  if (menu == nullptr) return;
  std::vector<Control*> items;
  HMENU popup = buildMenu(*menu, items);
  POINT at{};
  GetCursorPos(&at);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(popup, static_cast<UINT>(flags) | TPM_RETURNCMD | TPM_NONOTIFY,
                                                       at.x, at.y, 0, desktop_.mainWindow(), nullptr));
  // Lets the menu close properly when the window was not in front.
  PostMessageW(desktop_.mainWindow(), WM_NULL, 0, 0);
  DestroyMenu(popup);
  if (chosen >= 1 && chosen <= items.size()) form_->chooseMenuItem(*items[chosen - 1]);
}

}  // namespace formix::platform::win32
