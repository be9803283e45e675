// A connection of its own to the Wayland compositor, and the globals the desktop's pieces use.
// It is separate from the toolkit's connection, so that the toolkit's windows and the pieces
// never share objects. Events are read when fd() is readable (dispatch()); every request is
// flushed by the piece that makes it.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace formix::platform::wayland {

class WaylandSession {
 public:
  // Connects to $WAYLAND_DISPLAY; connected() tells whether that worked.
  WaylandSession();
  ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  bool connected() const { return display_ != nullptr; }
  wl_display* display() const { return display_; }
  int fd() const;
  // Reads and handles what the compositor sent; false once the connection is broken.
  bool dispatch();
  // Sends what is queued and waits until the compositor has handled it; false when broken.
  bool roundtrip();
  void flush();

  // The globals, bound once at connection; nullptr where the compositor offers none.
  wl_seat* seat() const { return seat_; }
  zwp_virtual_keyboard_manager_v1* virtualKeyboards() const { return virtualKeyboards_; }
  zwlr_data_control_manager_v1* dataControl() const { return dataControl_; }
  uint32_t dataControlVersion() const { return dataControlVersion_; }
  zwlr_foreign_toplevel_manager_v1* toplevels() const { return toplevels_; }
  // The names of every global offered, for the line that says what this compositor lacks.
  const std::vector<std::string>& offered() const { return offered_; }
  bool offers(std::string_view interface) const;
  // Binds a global that no piece above binds at connection (one a compositor offers only to
  // the programs it trusts, say), in at most version `highest`; nullptr when it is not offered.
  void* bind(const wl_interface& type, uint32_t highest, uint32_t* version = nullptr);

 // The registry's listener.
  static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  static void globalRemove(void* data, wl_registry* registry, uint32_t name);

 private:

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  zwp_virtual_keyboard_manager_v1* virtualKeyboards_ = nullptr;
  zwlr_data_control_manager_v1* dataControl_ = nullptr;
  uint32_t dataControlVersion_ = 0;
  zwlr_foreign_toplevel_manager_v1* toplevels_ = nullptr;
  std::vector<std::string> offered_;
  struct Global {
    uint32_t name, version;
  };
  std::vector<Global> globals_;  // in the order of offered_
};

}  // namespace formix::platform::wayland
