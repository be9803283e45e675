#include "platform/linux/xwayland_focus.h"

#include <xcb/xcb.h>

#include <QByteArray>

#include <chrono>

namespace formix::platform::xwayland {
namespace {

int64_t nowMilliseconds() {
  // The clock the browsers' focus reports use (milliseconds since the epoch).
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

FocusWatch::FocusWatch(x11::Connection& x, std::function<bool(ports::WindowHandle)> isOwn)
    : x_(x), isOwn_(std::move(isOwn)), active_(x.atom("_NET_ACTIVE_WINDOW")) {
  // The server stamps its events with its own clock, milliseconds since it started.
  if (const xcb_timestamp_t server = x_.serverTime(); server != XCB_CURRENT_TIME) serverEpoch_ = nowMilliseconds() - server;
  moved(activeWindow(), 0);
}

ports::WindowHandle FocusWatch::activeWindow() {
  const auto value = x_.property32(x_.root(), active_, XCB_ATOM_WINDOW);
  return value.empty() ? 0 : value.front();
}

void FocusWatch::moved(ports::WindowHandle window, int64_t when) {
  window_ = window;
  since_ = when;
  own_ = window != 0 && isOwn_(window);
  if (!own_) lastOutsideWayland_ = window == 0;
}

bool FocusWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
  const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
  if (change->window != x_.root() || change->atom != active_) return false;
  const int64_t when = serverEpoch_ != 0 ? serverEpoch_ + change->time : nowMilliseconds();
  // A look at the focus may have seen the change before its event came: the event tells when.
  if (const ports::WindowHandle now = activeWindow(); now != window_) moved(now, when);
  else if (guessed_) since_ = when;
  guessed_ = false;
  return false;  // Qt has its own use for the root's changes
}

FocusState FocusWatch::state() {
  // Qt reads the server's events whenever formix waits: a change whose event has not been read
  // yet happened while the event now handled (a click on the bar) was on its way.
  if (const ports::WindowHandle now = activeWindow(); now != window_) {
    moved(now, nowMilliseconds());
    guessed_ = true;
  }
  return {window_, since_, own_, lastOutsideWayland_};
}

}  // namespace formix::platform::xwayland
