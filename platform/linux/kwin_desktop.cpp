#include "platform/linux/kwin_desktop.h"

#include <algorithm>

#include "platform/linux/terminal_paste_keys.h"
#include "platform/linux/x11_keyboard.h"
#include "text/utf.h"

namespace formix::platform::wayland {

bool isKWin(const WaylandSession& session) {
  for (const auto& name : session.offered()) {
    if (name.rfind("org_kde_kwin_", 0) == 0) return true;
  }
  return false;
}

bool canTypeOnKWin(const WaylandSession& session, const FakeInputKeyboard& keys, std::string* missing) {
  std::string lacks;
  if (session.seat() == nullptr) lacks += ", a seat (wl_seat)";
  if (session.dataControl() == nullptr) lacks += ", clipboard control (zwlr_data_control_manager_v1)";
  if (!keys.available()) {
    lacks += ", fake input (org_kde_kwin_fake_input, which KWin grants only to a program whose desktop file names it "
             "in X-KDE-Wayland-Interfaces)";
  }
  if (missing != nullptr) *missing = lacks.empty() ? "" : lacks.substr(2);
  return lacks.empty();
}

ports::WindowHandle KWinWindows::createMainWindow(std::u16string_view caption) {
  own_.setCaption(caption);
  return own_.handle();
}

void KWinWindows::setWindowVisible(ports::WindowHandle window, bool visible) {
  if (window == own_.handle()) own_.setVisible(visible);
}

void KWinWindows::setWindowCaption(ports::WindowHandle window, std::u16string_view caption) {
  if (window == own_.handle()) own_.setCaption(caption);
}

void KWinWindows::setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) {
  if (window == own_.handle()) own_.setBounds(left, top, width, height);
}

void KWinWindows::makeTopmost(ports::WindowHandle window) {
  if (window == own_.handle()) own_.setOnTop();
}

ports::WindowHandle KWinWindows::firstWindow(ports::WindowHandle) {
  order_.clear();
  for (const auto& window : active_.recent()) order_.push_back(window.id);
  return order_.empty() ? 0 : order_.front();
}

ports::WindowHandle KWinWindows::nextWindow(ports::WindowHandle window) {
  auto it = std::find(order_.begin(), order_.end(), window);
  if (it == order_.end() || ++it == order_.end()) return 0;
  return *it;
}

int KWinWindows::isWindowVisible(ports::WindowHandle window) {
  if (window == own_.handle()) return 1;
  return active_.find(static_cast<uint32_t>(window)) ? 1 : 0;
}

int32_t KWinWindows::windowLong(ports::WindowHandle window, int index) {
  if (index == ports::kGwlStyle && active_.find(static_cast<uint32_t>(window))) return ports::kStyleCaption;
  return 0;
}

std::u16string KWinWindows::windowText(ports::WindowHandle window) {
  const auto known = active_.find(static_cast<uint32_t>(window));
  if (!known) return {};
  // A program without a caption is still a program to type into: its class stands in.
  return text::fromUtf8Lossy(known->caption.empty() ? known->resourceClass : known->caption);
}

bool KWinWindows::setForegroundWindow(ports::WindowHandle window) {
  const auto active = active_.active();
  if (active && active->id == window) return true;
  return active_.activate(static_cast<uint32_t>(window));
}

void KWinKeyboard::keyEvent(ports::Key key, ports::KeyAction action) {
  keys_.key(x11::keysymOf(key), action == ports::KeyAction::Press);
}

std::vector<ports::Key> KWinKeyboard::pasteKeys(ports::WindowHandle target) {
  const auto known = active_.find(static_cast<uint32_t>(target));
  return keysOf(pasteChordOf(known ? std::vector<std::string>{known->resourceClass} : std::vector<std::string>{}));
}

std::vector<std::u16string> KWinKeyboard::programNames(ports::WindowHandle target) {
  const auto known = active_.find(static_cast<uint32_t>(target));
  if (!known || known->resourceClass.empty()) return {};
  return {text::fromUtf8Lossy(known->resourceClass)};
}

}  // namespace formix::platform::wayland
