#include "platform/linux/wayland_desktop.h"

#include <algorithm>

#include "platform/linux/terminal_paste_keys.h"
#include "platform/linux/x11_clipboard.h"
#include "platform/linux/x11_keyboard.h"
#include "text/utf.h"

namespace formix::platform::wayland {
bool canTypeOn(const WaylandSession& session, std::string* missing) {
  std::string lacks;
  if (session.seat() == nullptr) lacks += " a seat (wl_seat)";
  if (session.virtualKeyboards() == nullptr) lacks += " virtual keyboards (zwp_virtual_keyboard_manager_v1)";
  if (session.dataControl() == nullptr) lacks += " clipboard control (zwlr_data_control_manager_v1)";
  if (missing != nullptr) *missing = lacks.empty() ? "" : lacks.substr(1);
  return lacks.empty();
}

WindowHandle WaylandWindows::createMainWindow(std::u16string_view caption) {
  own_.setCaption(caption);
  return own_.handle();
}

void WaylandWindows::setWindowVisible(WindowHandle window, bool visible) {
  if (window == own_.handle()) own_.setVisible(visible);
}

void WaylandWindows::setWindowCaption(WindowHandle window, std::u16string_view caption) {
  if (window == own_.handle()) own_.setCaption(caption);
}

void WaylandWindows::setWindowBounds(WindowHandle window, double left, double top, double width, double height) {
  if (window == own_.handle()) own_.setBounds(left, top, width, height);
}

void WaylandWindows::makeTopmost(WindowHandle window) {
  if (window == own_.handle()) own_.setOnTop();
}

WindowHandle WaylandWindows::firstWindow(WindowHandle) {
  order_.clear();
  for (const Toplevel& toplevel : toplevels_.byRecentFocus()) order_.push_back(toplevel.id);
  return order_.empty() ? 0 : order_.front();
}

WindowHandle WaylandWindows::nextWindow(WindowHandle window) {
  auto it = std::find(order_.begin(), order_.end(), window);
  if (it == order_.end() || ++it == order_.end()) return 0;
  return *it;
}

int WaylandWindows::isWindowVisible(WindowHandle window) {
  if (window == own_.handle()) return 1;
  return toplevels_.find(window) ? 1 : 0;
}

int32_t WaylandWindows::windowLong(WindowHandle window, int index) {
  // Every toplevel a compositor lists is an ordinary window with a title bar of some kind.
  if (index == ports::kGwlStyle && toplevels_.find(window)) return ports::kStyleCaption;
  return 0;
}

std::u16string WaylandWindows::windowText(WindowHandle window) {
  const auto toplevel = toplevels_.find(window);
  if (!toplevel) return {};
  // A program without a title is still a program to type into: its app_id stands in.
  return text::fromUtf8Lossy(toplevel->title.empty() ? toplevel->appId : toplevel->title);
}

bool WaylandWindows::setForegroundWindow(WindowHandle window) {
  const auto active = toplevels_.active();
  if (active && active->id == window) return true;
  // The bar took the focus when it was clicked: the compositor hands it back to the program.
  return toplevels_.activate(window);
}

void WaylandKeyboard::keyEvent(ports::Key key, ports::KeyAction action) {
  keyboard_.key(x11::keysymOf(key), action == ports::KeyAction::Press);
}

std::vector<ports::Key> WaylandKeyboard::pasteKeys(WindowHandle target) {
  const auto toplevel = toplevels_.find(target);
  return keysOf(pasteChordOf(toplevel ? std::vector<std::string>{toplevel->appId} : std::vector<std::string>{}));
}

std::vector<std::u16string> WaylandKeyboard::programNames(WindowHandle target) {
  const auto toplevel = toplevels_.find(target);
  if (!toplevel || toplevel->appId.empty()) return {};
  return {text::fromUtf8Lossy(toplevel->appId)};
}

bool WaylandClipboard::clear() { return clipboard_.clear(); }

// Line breaks go out as LF, the line end of Linux programs, as on X11.
bool WaylandClipboard::setText(std::u16string_view text) { return clipboard_.setText(text::toUtf8(x11::unixLineEnds(text))); }

std::optional<std::u16string> WaylandClipboard::text() {
  const auto utf8 = clipboard_.text();
  if (!utf8) return std::nullopt;
  return text::fromUtf8Lossy(*utf8);
}

bool WaylandClipboard::setSelectionText(std::u16string_view text) {
  return clipboard_.setPrimaryText(text::toUtf8(x11::unixLineEnds(text)));
}

void WaylandClipboard::watchPaste(WindowHandle) { clipboard_.watchFetch(); }

bool WaylandClipboard::pasteFetched() { return clipboard_.fetched(); }

std::optional<ports::HookExports> NoHookLoader::loadHookLibrary(std::string_view) {
  ports::HookExports exports;
  exports.SetHook = [] { return int32_t{1}; };
  exports.RemoveHook = [] { return int32_t{1}; };
  for (auto& mode : exports.M_Mode) mode = [] {};
  for (auto& mode : exports.K_Mode) mode = [] {};
  return exports;
}

}  // namespace formix::platform::wayland
