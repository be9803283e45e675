// Formix on a Wayland session through XWayland (GNOME, or a compositor that lets no Wayland
// client type): the X11 ports see only X11 windows, and the X server's active window is none
// while a Wayland program has the keyboard focus. The Wayland programs are one more window here,
// `kWaylandWindow`: whichever of them has (or last had) the focus. A whole-form fill reaches it
// through the browser that says its window has the focus; no key reaches it from X11, so a phrase
// aimed at it stays on the clipboard for the person to paste.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "ports/desktop.h"

namespace formix::platform::xwayland {

// Above every X11 window id (they have 29 bits).
inline constexpr ports::WindowHandle kWaylandWindow = 0xFFFFFFFEu;

inline constexpr const char16_t* kPasteYourselfNotice =
    u"Formix cannot press keys in Wayland programs on this desktop. The phrase is on the clipboard: paste it "
    u"with Ctrl+V.";

// Formix's own windows are titled "Formix..." (the bar, its notices).
inline bool formixTitle(std::u16string_view title) { return title.substr(0, 6) == u"Formix"; }

// What the X server says of the keyboard focus.
struct FocusState {
  ports::WindowHandle window = 0;   // the X11 window that has it; 0 while none of them has
  int64_t since = 0;                // when it came there, ms since the epoch; 0 when not seen
  bool own = false;                 // the window is formix's own (the bar, a notice)
  bool lastOutsideWayland = false;  // the last focus outside formix's own was on a Wayland program
};
using FocusSource = std::function<FocusState()>;

class XWaylandWindows : public ports::WindowSystem {
 public:
  XWaylandWindows(ports::WindowSystem& x11, FocusSource focus) : x11_(x11), focus_(std::move(focus)) {}

  ports::WindowHandle createMainWindow(std::u16string_view caption) override { return x11_.createMainWindow(caption); }
  void setWindowVisible(ports::WindowHandle window, bool visible) override { x11_.setWindowVisible(window, visible); }
  void setWindowCaption(ports::WindowHandle window, std::u16string_view caption) override {
    x11_.setWindowCaption(window, caption);
  }
  void setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) override {
    x11_.setWindowBounds(window, left, top, width, height);
  }
  void makeTopmost(ports::WindowHandle window) override { x11_.makeTopmost(window); }

  // X11's stacking order, with the Wayland window in front of every X11 window when a Wayland
  // program had the focus last, behind them otherwise.
  ports::WindowHandle firstWindow(ports::WindowHandle window) override;
  ports::WindowHandle nextWindow(ports::WindowHandle window) override;
  int isWindowVisible(ports::WindowHandle window) override;
  int32_t windowLong(ports::WindowHandle window, int index) override;
  std::u16string windowText(ports::WindowHandle window) override;
  // An X11 client cannot hand the focus to a Wayland window.
  bool setForegroundWindow(ports::WindowHandle window) override;
  ports::WindowHandle desktopWindow() override { return x11_.desktopWindow(); }
  int64_t windowProcess(ports::WindowHandle window) override;
  std::optional<PixelBounds> windowBounds(ports::WindowHandle window) override;

  // The window with the focus as the browsers' match needs it: the Wayland window while no X11
  // window has it. An X11 window, or formix's own after one, is matched as on X11; the Wayland
  // window, or formix's own after it, by the browsers' word on their focus.
  struct Focused {
    ports::WindowHandle window = 0;
    int64_t since = 0;
    bool x11 = false;
  };
  Focused focused() const;

 private:
  ports::WindowSystem& x11_;
  FocusSource focus_;
  std::vector<ports::WindowHandle> order_;  // of the walk under way
};

// Keys go to X11 windows only, and only to another program's: while a Wayland program or formix's
// own window has the focus, a key pressed would land nowhere or in the bar.
class XWaylandKeyboard : public ports::Keyboard {
 public:
  // `cannotType` runs when a phrase is aimed at a Wayland program (its text is on the clipboard).
  XWaylandKeyboard(ports::Keyboard& x11, FocusSource focus, std::function<void()> cannotType)
      : x11_(x11), focus_(std::move(focus)), cannotType_(std::move(cannotType)) {}

  void keyEvent(ports::Key key, ports::KeyAction action) override;
  std::vector<ports::Key> pasteKeys(ports::WindowHandle target) override;
  std::vector<std::u16string> programNames(ports::WindowHandle target) override;

 private:
  ports::Keyboard& x11_;
  FocusSource focus_;
  std::function<void()> cannotType_;
};

}  // namespace formix::platform::xwayland
