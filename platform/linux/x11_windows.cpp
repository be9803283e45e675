#include "platform/linux/x11_windows.h"

#include <algorithm>
#include <cstdlib>

#include "text/utf.h"

namespace formix::platform::x11 {

ports::WindowHandle X11Windows::createMainWindow(std::u16string_view caption) {
  own_.setCaption(caption);
  return own_.handle();
}

void X11Windows::setWindowVisible(ports::WindowHandle window, bool visible) {
  if (window == own_.handle()) own_.setVisible(visible);
}

void X11Windows::setWindowCaption(ports::WindowHandle window, std::u16string_view caption) {
  if (window == own_.handle()) own_.setCaption(caption);
}

void X11Windows::setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) {
  if (window == own_.handle()) own_.setBounds(left, top, width, height);
}

void X11Windows::makeTopmost(ports::WindowHandle window) {
  if (window == own_.handle()) own_.setOnTop();
}

ports::WindowHandle X11Windows::firstWindow(ports::WindowHandle /*window*/) {
  // The stacking list runs bottom to top; the walk goes front to back over one snapshot.
  const auto list = x_.property32(x_.root(), x_.atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
  stacking_.assign(list.rbegin(), list.rend());
  return stacking_.empty() ? 0 : stacking_.front();
}

ports::WindowHandle X11Windows::nextWindow(ports::WindowHandle window) {
  auto it = std::find(stacking_.begin(), stacking_.end(), window);
  if (it == stacking_.end() || ++it == stacking_.end()) return 0;
  return *it;
}

WindowFacts X11Windows::facts(ports::WindowHandle window) {
  WindowFacts f;
  xcb_get_window_attributes_reply_t* attributes =
      xcb_get_window_attributes_reply(x_.get(), xcb_get_window_attributes(x_.get(), window), nullptr);
  if (attributes == nullptr) return f;  // gone
  f.mapped = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(attributes);
  for (uint32_t state : x_.property32(window, x_.atom("_NET_WM_STATE"), XCB_ATOM_ATOM)) {
    if (state == x_.atom("_NET_WM_STATE_HIDDEN")) f.hidden = true;
    if (state == x_.atom("_NET_WM_STATE_ABOVE")) f.above = true;
  }
  const auto types = x_.property32(window, x_.atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM);
  if (types.empty()) {
    f.type = x_.property32(window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW).empty() ? WindowType::Normal
                                                                                        : WindowType::Dialog;
  } else if (types.front() == x_.atom("_NET_WM_WINDOW_TYPE_NORMAL")) {
    f.type = WindowType::Normal;
  } else if (types.front() == x_.atom("_NET_WM_WINDOW_TYPE_DIALOG")) {
    f.type = WindowType::Dialog;
  } else {
    f.type = WindowType::Other;
  }
  const xcb_atom_t motif = x_.atom("_MOTIF_WM_HINTS");
  f.motifHints = x_.property32(window, motif, motif);
  f.drawsOwnFrame = !x_.property32(window, x_.atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL).empty();
  return f;
}

int X11Windows::isWindowVisible(ports::WindowHandle window) { return isVisible(facts(window)) ? 1 : 0; }

int32_t X11Windows::windowLong(ports::WindowHandle window, int index) {
  const WindowFacts f = facts(window);
  if (index == ports::kGwlStyle) return hasCaption(f) ? ports::kStyleCaption : 0;
  if (index == ports::kGwlExStyle) return f.above ? ports::kExStyleTopmost : 0;
  return 0;
}

std::u16string X11Windows::windowText(ports::WindowHandle window) {
  if (auto name = x_.property(window, x_.atom("_NET_WM_NAME"), x_.atom("UTF8_STRING")); name && !name->empty()) {
    return text::fromUtf8Lossy(*name);
  }
  // WM_NAME is Latin-1 (STRING) or, from older toolkits, often UTF-8 anyway.
  if (auto name = x_.property(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) return text::fromUtf8Lossy(*name);
  return u"";
}

int64_t X11Windows::windowProcess(ports::WindowHandle window) {
  // The program's own word for it: _NET_WM_PID (chromium and firefox set their main process).
  const auto pid = x_.property32(window, x_.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
  return pid.empty() ? 0 : static_cast<int64_t>(pid.front());
}

std::optional<ports::WindowSystem::PixelBounds> X11Windows::windowBounds(ports::WindowHandle window) {
  xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(x_.get(), xcb_get_geometry(x_.get(), window), nullptr);
  if (geometry == nullptr) return std::nullopt;
  const ports::WindowSystem::PixelBounds size{0, 0, geometry->width, geometry->height};
  std::free(geometry);
  xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
      x_.get(), xcb_translate_coordinates(x_.get(), window, x_.root(), 0, 0), nullptr);
  if (at == nullptr) return std::nullopt;
  const ports::WindowSystem::PixelBounds bounds{at->dst_x, at->dst_y, size.width, size.height};
  std::free(at);
  return bounds;
}

bool X11Windows::setForegroundWindow(ports::WindowHandle window) {
  // Handing the foreground to the desktop itself has no meaning under a window manager.
  if (window == 0 || window == x_.root()) return false;
  // Source 2 ("pager"): the request comes from the user's own tool, so focus-stealing prevention
  // lets it through, with the server's current time as the request's time.
  const uint32_t data[5] = {2, x_.serverTime(), 0, 0, 0};
  x_.sendToRoot(window, x_.atom("_NET_ACTIVE_WINDOW"), data);
  return true;
}

}  // namespace formix::platform::x11
