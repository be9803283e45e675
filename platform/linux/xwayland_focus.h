// Where the keyboard focus is, as the X server of a Wayland session (XWayland) tells it: its
// active window (none while a Wayland program has the focus), and from the root window's
// property changes on Qt's connection, since when, and whether the last focus outside formix was
// on a Wayland program.
#pragma once

#include <QAbstractNativeEventFilter>

#include <functional>

#include "platform/linux/x11_connection.h"
#include "platform/linux/xwayland_windows.h"

namespace formix::platform::xwayland {

class FocusWatch : public QAbstractNativeEventFilter {
 public:
  // `isOwn` says whether an X11 window is one of formix's.
  FocusWatch(x11::Connection& x, std::function<bool(ports::WindowHandle)> isOwn);
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
  // Read afresh: a change whose event has not been read yet counts too.
  FocusState state();

 private:
  ports::WindowHandle activeWindow();
  void moved(ports::WindowHandle window, int64_t when);

  x11::Connection& x_;
  std::function<bool(ports::WindowHandle)> isOwn_;
  xcb_atom_t active_;
  ports::WindowHandle window_ = 0;
  int64_t since_ = 0;
  bool guessed_ = false;     // since_ is when a look saw the change, not when it happened
  int64_t serverEpoch_ = 0;  // when the X server's clock was 0, ms since the epoch; 0 when unknown
  bool own_ = false;
  bool lastOutsideWayland_ = false;
};

}  // namespace formix::platform::xwayland
