#include "platform/wayland/wayland_session.h"

#include <algorithm>
#include <cstring>

#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace formix::platform::wayland {

namespace {
const wl_registry_listener kRegistryListener{&WaylandSession::global, &WaylandSession::globalRemove};
}

WaylandSession::WaylandSession() {
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) return;
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  if (wl_display_roundtrip(display_) < 0) {
    wl_display_disconnect(display_);
    display_ = nullptr;
  }
}

WaylandSession::~WaylandSession() {
  if (display_ == nullptr) return;
  if (toplevels_ != nullptr) zwlr_foreign_toplevel_manager_v1_stop(toplevels_);
  if (dataControl_ != nullptr) zwlr_data_control_manager_v1_destroy(dataControl_);
  if (virtualKeyboards_ != nullptr) zwp_virtual_keyboard_manager_v1_destroy(virtualKeyboards_);
  if (seat_ != nullptr) wl_seat_destroy(seat_);
  wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

void WaylandSession::global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                            uint32_t version) {
  auto& self = *static_cast<WaylandSession*>(data);
  self.offered_.emplace_back(interface);
  self.globals_.push_back({name, version});
  const auto bind = [&](const wl_interface* type, uint32_t highest) {
    return wl_registry_bind(registry, name, type, std::min(version, highest));
  };
  // The first seat is the user's: a desktop session has one.
  if (std::strcmp(interface, wl_seat_interface.name) == 0 && self.seat_ == nullptr) {
    self.seat_ = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
  } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
    self.virtualKeyboards_ = static_cast<zwp_virtual_keyboard_manager_v1*>(bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
  } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
    // Version 2 adds the primary selection that Shift+Insert pastes.
    self.dataControlVersion_ = std::min(version, 2u);
    self.dataControl_ = static_cast<zwlr_data_control_manager_v1*>(bind(&zwlr_data_control_manager_v1_interface, 2));
  } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
    self.toplevels_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
  }
}

void WaylandSession::globalRemove(void*, wl_registry*, uint32_t) {}

bool WaylandSession::offers(std::string_view interface) const {
  return std::find(offered_.begin(), offered_.end(), interface) != offered_.end();
}

void* WaylandSession::bind(const wl_interface& type, uint32_t highest, uint32_t* version) {
  if (display_ == nullptr) return nullptr;
  for (size_t i = 0; i < offered_.size(); ++i) {
    if (offered_[i] != type.name) continue;
    const uint32_t bound = std::min(globals_[i].version, highest);
    if (version != nullptr) *version = bound;
    return wl_registry_bind(registry_, globals_[i].name, &type, bound);
  }
  return nullptr;
}

int WaylandSession::fd() const { return display_ != nullptr ? wl_display_get_fd(display_) : -1; }

bool WaylandSession::dispatch() {
  if (display_ == nullptr) return false;
  return wl_display_dispatch(display_) >= 0;
}

bool WaylandSession::roundtrip() {
  if (display_ == nullptr) return false;
  return wl_display_roundtrip(display_) >= 0;
}

void WaylandSession::flush() {
  if (display_ != nullptr) wl_display_flush(display_);
}

}  // namespace formix::platform::wayland
