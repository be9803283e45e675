#include "platform/linux/xwayland_windows.h"

#include <algorithm>

namespace formix::platform::xwayland {

ports::WindowHandle XWaylandWindows::firstWindow(ports::WindowHandle window) {
  order_.clear();
  for (ports::WindowHandle h = x11_.firstWindow(window); h != 0; h = x11_.nextWindow(h)) order_.push_back(h);
  // Formix's own windows stay in front: the walk passes over them to the window the person used.
  const auto firstOther = std::find_if(order_.begin(), order_.end(),
                                       [&](ports::WindowHandle h) { return !formixTitle(x11_.windowText(h)); });
  if (focus_().lastOutsideWayland) order_.insert(firstOther, kWaylandWindow);
  else order_.push_back(kWaylandWindow);
  return order_.front();
}

ports::WindowHandle XWaylandWindows::nextWindow(ports::WindowHandle window) {
  auto it = std::find(order_.begin(), order_.end(), window);
  if (it == order_.end() || ++it == order_.end()) return 0;
  return *it;
}

int XWaylandWindows::isWindowVisible(ports::WindowHandle window) {
  return window == kWaylandWindow ? 1 : x11_.isWindowVisible(window);
}

int32_t XWaylandWindows::windowLong(ports::WindowHandle window, int index) {
  if (window != kWaylandWindow) return x11_.windowLong(window, index);
  return index == ports::kGwlStyle ? ports::kStyleCaption : 0;
}

std::u16string XWaylandWindows::windowText(ports::WindowHandle window) {
  // Its title is not known to X11; the walk passes over untitled windows, so it gets a name.
  return window == kWaylandWindow ? u"(a Wayland program)" : x11_.windowText(window);
}

bool XWaylandWindows::setForegroundWindow(ports::WindowHandle window) {
  if (window == kWaylandWindow) return focus_().window == 0;
  return x11_.setForegroundWindow(window);
}

int64_t XWaylandWindows::windowProcess(ports::WindowHandle window) {
  return window == kWaylandWindow ? 0 : x11_.windowProcess(window);
}

std::optional<ports::WindowSystem::PixelBounds> XWaylandWindows::windowBounds(ports::WindowHandle window) {
  if (window == kWaylandWindow) return std::nullopt;
  return x11_.windowBounds(window);
}

XWaylandWindows::Focused XWaylandWindows::focused() const {
  const FocusState now = focus_();
  const bool x11 = now.window != 0 && !(now.own && now.lastOutsideWayland);
  return {now.window == 0 ? kWaylandWindow : now.window, now.since, x11};
}

void XWaylandKeyboard::keyEvent(ports::Key key, ports::KeyAction action) {
  const FocusState now = focus_();
  if (now.window == 0 || now.own) return;
  x11_.keyEvent(key, action);
}

std::vector<ports::Key> XWaylandKeyboard::pasteKeys(ports::WindowHandle target) {
  if (target != kWaylandWindow) return x11_.pasteKeys(target);
  if (cannotType_) cannotType_();
  return {};
}

std::vector<std::u16string> XWaylandKeyboard::programNames(ports::WindowHandle target) {
  return target == kWaylandWindow ? std::vector<std::u16string>{} : x11_.programNames(target);
}

}  // namespace formix::platform::xwayland
