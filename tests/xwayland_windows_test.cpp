// Formix through XWayland on a Wayland session: the Wayland programs as one more window of the
// walk, the window the fill asks the browsers about, and keys that only X11 programs can take.
#include <gtest/gtest.h>

#include <map>

#include "platform/linux/xwayland_windows.h"

namespace formix::testing {
namespace {

using platform::xwayland::FocusState;
using platform::xwayland::kWaylandWindow;
using platform::xwayland::XWaylandKeyboard;
using platform::xwayland::XWaylandWindows;
using ports::Key;
using ports::KeyAction;
using ports::WindowHandle;

// X11's windows front to back, with their titles.
class StackedWindows : public ports::WindowSystem {
 public:
  explicit StackedWindows(std::vector<std::pair<WindowHandle, std::u16string>> windows) : windows_(std::move(windows)) {}
  WindowHandle createMainWindow(std::u16string_view) override { return 1; }
  void setWindowVisible(WindowHandle, bool) override {}
  void setWindowCaption(WindowHandle, std::u16string_view) override {}
  void setWindowBounds(WindowHandle, double, double, double, double) override {}
  void makeTopmost(WindowHandle) override {}
  WindowHandle firstWindow(WindowHandle) override { return windows_.empty() ? 0 : windows_.front().first; }
  WindowHandle nextWindow(WindowHandle window) override {
    for (size_t k = 0; k + 1 < windows_.size(); ++k) {
      if (windows_[k].first == window) return windows_[k + 1].first;
    }
    return 0;
  }
  int isWindowVisible(WindowHandle) override { return 1; }
  int32_t windowLong(WindowHandle, int) override { return 0; }
  std::u16string windowText(WindowHandle window) override {
    for (const auto& [handle, title] : windows_) {
      if (handle == window) return title;
    }
    return u"";
  }
  bool setForegroundWindow(WindowHandle window) override {
    activated.push_back(window);
    return true;
  }
  WindowHandle desktopWindow() override { return 0x51e; }
  std::vector<WindowHandle> activated;

 private:
  std::vector<std::pair<WindowHandle, std::u16string>> windows_;
};

std::vector<WindowHandle> walk(ports::WindowSystem& windows) {
  std::vector<WindowHandle> order;
  for (WindowHandle h = windows.firstWindow(0); h != 0; h = windows.nextWindow(h)) order.push_back(h);
  return order;
}

class KeysPressed : public ports::Keyboard {
 public:
  void keyEvent(Key key, KeyAction action) override { keys.push_back({key, action}); }
  std::vector<Key> pasteKeys(WindowHandle) override { return {Key::Control, Key::Shift, Key::V}; }
  std::vector<std::u16string> programNames(WindowHandle) override { return {u"xterm"}; }
  std::vector<std::pair<Key, KeyAction>> keys;
};

TEST(XWaylandWindows, TheWaylandProgramsStandWhereTheFocusLastLeftFormix) {
  StackedWindows x11({{0x600006, u"Formix "}, {0xe00006, u"xterm"}, {0xa00003, u"Firefox"}});
  FocusState focus;
  XWaylandWindows windows(x11, [&] { return focus; });

  focus = {0, 0, false, true};  // a Wayland program has the focus
  EXPECT_EQ(walk(windows), (std::vector<WindowHandle>{0x600006, kWaylandWindow, 0xe00006, 0xa00003}));
  focus = {0x600006, 0, true, true};  // the bar, clicked while a Wayland program had it
  EXPECT_EQ(walk(windows), (std::vector<WindowHandle>{0x600006, kWaylandWindow, 0xe00006, 0xa00003}));
  focus = {0x600006, 0, true, false};  // the bar, clicked while xterm had it
  EXPECT_EQ(walk(windows), (std::vector<WindowHandle>{0x600006, 0xe00006, 0xa00003, kWaylandWindow}));

  // A window the walk does not pass over: titled, visible, captioned, not on top.
  EXPECT_EQ(windows.isWindowVisible(kWaylandWindow), 1);
  EXPECT_EQ(windows.windowLong(kWaylandWindow, ports::kGwlStyle), ports::kStyleCaption);
  EXPECT_EQ(windows.windowLong(kWaylandWindow, ports::kGwlExStyle), 0);
  EXPECT_FALSE(windows.windowText(kWaylandWindow).empty());
  EXPECT_NE(windows.windowText(kWaylandWindow).rfind(u"Formix", 0), 0u);
  EXPECT_EQ(windows.windowText(0xe00006), u"xterm");
}

TEST(XWaylandWindows, TheFillAsksAboutTheWaylandWindowWhileNoX11WindowHasTheFocus) {
  StackedWindows x11({{0x600006, u"Formix "}});
  FocusState focus{0, 1700000000000, false, true};
  XWaylandWindows windows(x11, [&] { return focus; });
  EXPECT_EQ(windows.focused().window, kWaylandWindow);
  EXPECT_EQ(windows.focused().since, 1700000000000);
  EXPECT_FALSE(windows.focused().x11);
  focus = {0x600006, 1700000000900, true, true};  // the bar, taken from a Wayland program
  EXPECT_EQ(windows.focused().window, 0x600006u);
  EXPECT_EQ(windows.focused().since, 1700000000900);
  EXPECT_FALSE(windows.focused().x11);
  // An X11 window, or the bar taken from one, is matched by its process as on X11.
  focus = {0x600006, 1700000000900, true, false};
  EXPECT_TRUE(windows.focused().x11);
  focus = {0xe00006, 1700000000900, false, false};
  EXPECT_TRUE(windows.focused().x11);

  // Nothing from X11 can give a Wayland window the focus; an X11 window is activated as before.
  EXPECT_FALSE(windows.setForegroundWindow(kWaylandWindow));
  EXPECT_TRUE(windows.setForegroundWindow(0xe00006));
  EXPECT_EQ(x11.activated, (std::vector<WindowHandle>{0xe00006}));
}

TEST(XWaylandKeyboard, KeysReachOnlyAnotherX11ProgramAndAPhraseForAWaylandOneWaitsOnTheClipboard) {
  KeysPressed x11;
  FocusState focus;
  int told = 0;
  XWaylandKeyboard keyboard(x11, [&] { return focus; }, [&] { ++told; });

  focus = {0xe00006, 0, false, false};
  keyboard.keyEvent(Key::Enter, KeyAction::Press);
  EXPECT_EQ(x11.keys.size(), 1u);
  EXPECT_EQ(keyboard.pasteKeys(0xe00006), (std::vector<Key>{Key::Control, Key::Shift, Key::V}));
  EXPECT_EQ(keyboard.programNames(0xe00006), std::vector<std::u16string>{u"xterm"});

  focus = {0, 0, false, true};  // a Wayland program
  keyboard.keyEvent(Key::Enter, KeyAction::Press);
  focus = {0x600006, 0, true, true};  // formix's own bar
  keyboard.keyEvent(Key::Enter, KeyAction::Press);
  EXPECT_EQ(x11.keys.size(), 1u);

  EXPECT_TRUE(keyboard.pasteKeys(kWaylandWindow).empty());
  EXPECT_TRUE(keyboard.programNames(kWaylandWindow).empty());  // no user's paste key applies
  EXPECT_EQ(told, 1);
  EXPECT_EQ(x11.keys.size(), 1u);
}

}  // namespace
}  // namespace formix::testing
