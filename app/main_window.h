// The main window frmMain as data: every control with its documented name, index, caption,
// initial state and geometry (twips), the state the window keeps for the whole run, and the
// handlers, named control_event as on the original desktop.
//
// Handler code is spread over files by subject: main_window.cpp (controls, events, focus),
// startup.cpp (load, save, unload), profile_panel.cpp, tray.cpp, side_panels.cpp,
// phrase_page_handlers.cpp and trigger_options.cpp. The model reaches the desktop only through
// ports::Desktop and includes no OS header.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "app/settings_file.h"
#include "fill/html/field_classifier.h"
#include "fill/html/field_table.h"
#include "ports/desktop.h"
#include "triggers/named_trigger.h"
#include "triggers/trigger_codes.h"

namespace formix::app {

// Thrown when the process ends (the desktop's endProcess has been called); nothing of the model
// runs after it.
struct ProgramEnded {};

inline constexpr double kNarrowWidth = 1155;   // the bar alone
inline constexpr double kWideWidth = 6380;     // the bar and a side panel
inline constexpr double kPanelShift = kWideWidth - kNarrowWidth;  // 5225
inline constexpr double kFormHeight = 6300;    // client area 5940 and a tool-window frame
inline constexpr int kRows = 15;
inline constexpr int kPages = 14;

// Picture handles of the two tray icons (design resources).
inline constexpr uint32_t kTrayIconPicture = 0x5101;
inline constexpr uint32_t kBusyIconPicture = 0x5102;

// Mouse buttons as handlers receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class FrmMain : public ControlEvents {
 public:
  explicit FrmMain(ports::Desktop& desktop);
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  // ---- Controls ----
  Control frmMain;  // the form itself: Caption, Left, Top, Width, Height, Visible
  Control picBTN, cmdPOST, chkPOST, chkSET;
  ControlArray cmd, txtTT, optPAGE;
  Control frSET, frPOST, frKEY, frMS, frWK, frSex;
  ControlArray txtCNT, optKEY, optMS, optWK;
  ControlArray txtAUTO, cboAUTO, optAUTO, lblAUTO;
  Control picTRAY, cmdTRAY, chkTRAY, imgTRAY, imgTRAY2, lblURL, lblVer, tm;
  // The popup menu tree.
  Control mnu0, mnu_page_chg;
  ControlArray mnu0_page;
  Control mnu0_nop1;
  ControlArray mnu0_btn;
  Control mnu0_nop2, mnu_key;
  ControlArray mnu1_key;
  Control mnu_ms;
  ControlArray mnu1_ms;
  Control mnu_wk;
  ControlArray mnu1_wk;
  Control mnu0_nop4, mnu0_undo, mnu0_end;

  // ---- State kept for the whole run ----
  std::u16string userName;
  int16_t iWait = 0;
  int16_t iPage = 0;
  bool panelShift = false;
  ports::TrayIconRecord trayIcon;
  std::array<std::u16string, kPages * kRows> sTT, sCNT;
  ports::WindowHandle hWnd = 0;

  // ---- Start-up, shutdown, commands ----
  void Form_Load();
  void Form_QueryUnload();
  void Form_Unload();
  void mnu0_end_Click();
  void lblURL_Click();
  // Closes the window as any close request does: save, then unload.
  void closeWindow();

  // ---- Profile panel ----
  void fillProfileLists();
  void txtAUTO_GotFocus(int index);
  void txtAUTO_KeyPress(int index, int& keyAscii);
  void txtAUTO_LostFocus(int index);
  void restoreProfile(const SettingsRecord& record);
  void storeProfile(SettingsRecord& record) const;

  // ---- Tray icon ----
  void cmdTRAY_Click();
  void cmdTRAY_MouseUp();
  void chkTRAY_MouseUp();
  void Form_MouseDown(int button, int shift, double x, double y);
  void busyIconOn();
  void busyIconOff();

  // ---- Side panels ----
  void chkPOST_Click();
  void chkSET_Click();
  void chkPOST_MouseUp();
  void chkSET_MouseUp();

  // ---- Phrase pages ----
  void ShowPage(int page);
  void StorePage(int page);
  void SelectPage(int page);
  void optPAGE_MouseDown(int index);
  // Editors: the arrow keys move in a 2 x 15 grid; a key set to 0 is discarded.
  void txtTT_KeyDown(int index, int& keyCode);
  void txtCNT_KeyDown(int index, int& keyCode);
  // Files dropped on a content editor: only copying is offered; the first file becomes "%O" + path.
  void txtCNT_OLEDragOver(int index, int& effect);
  void txtCNT_OLEDragDrop(int index, const std::vector<std::u16string>& files);

  // ---- Phrase typing and the popup menu ----
  bool bWaiting = false;  // a typing sequence waits for the timer tm
  void cmd_Click(int index);
  void TypePhrase(int index);
  // The phrase of a row of the page shown, from the phrase record.
  std::u16string phraseOf(int row);
  void tm_Timer();
  void mnu0_page_Click(int index);
  void mnu0_btn_Click(int index);
  // The items of a popup (sub)menu, top to bottom; empty for an item without a submenu.
  std::vector<Control*> popupItems(const Control& menu);

  // ---- Target window and whole-form fill ----
  ports::WindowHandle lGetNextWindowHandle();
  void cmdPOST_Click();
  // Puts back what the last whole-form fill changed in the browser window below the bar.
  void mnu0_undo_Click();
  // The profile as the panel's controls hold it now.
  fill::Profile profileSnapshot() const;

  // ---- Trigger options and dispatch ----
  void optKEY_MouseDown(int index);
  void optMS_MouseDown(int index);
  void optWK_MouseDown(int index);
  void mnu1_key_Click(int index);
  void mnu1_ms_Click(int index);
  void mnu1_wk_Click(int index);
  void Form_MouseUp(int button, int shift, double x, double y);
  // A trigger the hook library reported to the window directly (X11), not as a left-button-up.
  void hookTriggered(triggers::Trigger trigger);
  // A trigger the user bound to a key of the desktop (`formix --trigger NAME`): the popup menu,
  // the whole-form fill, or a phrase of a page (that page becomes the current one first). Like
  // the hook's triggers, it does nothing while the window is disabled.
  void runNamedTrigger(const triggers::NamedTrigger& trigger);

  // ---- Events from a view (a user's actions), routed to the handlers above ----
  void mouseDown(Control& control, int button = kLeftButton, double x = 0, double y = 0);
  void mouseUp(Control& control, int button = kLeftButton, double x = 0, double y = 0);
  // A whole left click: press, value change and Click, release, in the desktop's order.
  void click(Control& control);
  void keyDown(Control& control, int keyCode);
  void keyPress(Control& control, int keyAscii);
  // The user replaces the text of a text box (typing or pasting).
  void editText(Control& control, std::u16string text);
  void chooseMenuItem(Control& item);
  // Something is dragged over a control offering these drop effects; returns the effects allowed.
  int dragOver(Control& control, int effect);
  // Files are dropped on a control (none when the dragged data holds no file).
  void dropFiles(Control& control, const std::vector<std::u16string>& files);

  // ---- Focus ----
  Control* focused() const { return focused_; }
  // Moves the focus (LostFocus of the old control, GotFocus of the new); StepError when the
  // control cannot take it.
  void setFocus(Control& control);
  // The focus leaves `control` for no other control.
  void blur(Control& control);

  // ---- Lookups ----
  // The control `name` (with `index` for an element of a control array, -1 otherwise), or nullptr.
  Control* findControl(std::string_view name, int index) const;
  // Every control, for views.
  const std::vector<Control*>& allControls() const { return all_; }

  // Someone outside (a view, a test) who wants to see every property change.
  std::function<void(Control&, std::string_view)> onPropertyChanged;

  bool running() const { return running_; }
  std::filesystem::path settingsPath() const;

  // ControlEvents
  void propertyChanged(Control& control, std::string_view property) override;
  void valueClicked(Control& control) override;

 private:
  void layoutControls();
  void register_(Control& control);
  void registerArray(ControlArray& array);

  // Runs one statement of a long handler: a StepError (or any other failure) skips it.
  template <typename F>
  void step(F&& statement) {
    try {
      statement();
    } catch (const std::exception&) {
    }
  }
  [[noreturn]] void endProcess();
  // Calls a hook-library export; StepError when the library or the export is missing.
  int32_t callHook(const std::function<int32_t()>& exportFn);
  void callHook(const std::function<void()>& exportFn);
  bool checkedIndexOf(const ControlArray& options, int& index) const;
  void openPanel(Control& toggle, Control& panel, Control& otherToggle, Control& otherPanel);
  void closePanel(Control& toggle, Control& panel, Control& otherToggle);
  void focusFirstField(Control& field);
  // Opens the popup menu or runs the whole-form fill, as the trigger asks.
  void runTrigger(triggers::Trigger trigger);
  // Reads, fills and writes back one document of a browser (a frame, or the top document).
  void fillDocument(ports::HtmlDocuments& documents, ports::WindowHandle browser, int frame);
  // Fills an Internet Explorer page as HTML: each of its first frames, or its top document.
  void fillHtmlPage(ports::HtmlDocuments& documents, ports::WindowHandle browser);
  // Fills a page of today's browsers from the facts of its controls; nothing when they cannot
  // be read.
  void fillFromFacts(ports::FactBrowsers& browsers, ports::WindowHandle browser);
  // Keys reach a control only once it has the focus: a user clicks into a box before typing.
  void typeInto(Control& control);

  ports::Desktop& desktop_;
  fill::KeywordTable keywords_;  // built at start-up
  std::optional<ports::HookExports> hook_;
  bool hookMissingReported_ = false;
  LoadedSettings loaded_;
  Control* focused_ = nullptr;
  bool running_ = true;
  std::vector<Control*> all_;
};

// Shared helpers of the original module.
// Removes every CR, LF and TAB from the control's text and puts the caret at 0.
void StripControlChars(Control& box);
// Trims `target` (written back) and, unless it is then empty, starts it as a program, falling
// back to the shell's "open". A target wholly in double quotes (one file or folder, as a drop
// writes it) and an address ("scheme:...") go straight to the shell's "open", unquoted. Which
// command lines the desktop starts as programs is its Shell's rule.
void OpenTarget(ports::Desktop& desktop, ports::WindowHandle owner, std::u16string& target);
// Whether a target starts with a URI scheme and ":" ("https:", "mailto:"); a drive letter is none.
bool looksLikeAddress(std::u16string_view target);

}  // namespace formix::app
