// The programs' top-level windows as the compositor lists them (zwlr_foreign_toplevel_manager_v1):
// their app_id, title and whether they are the one with the keyboard focus. Each gets a number
// of its own for the run, as a window handle.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wayland/wayland_session.h"

struct zwlr_foreign_toplevel_handle_v1;
struct wl_array;

namespace formix::platform::wayland {

// Whether a toplevel's state array (32-bit values) holds the "activated" state.
bool activatedIn(const wl_array* states);

class Toplevels {
 public:
  struct Toplevel {
    uint32_t id = 0;
    std::string appId, title;
    bool activated = false;
  };

  explicit Toplevels(WaylandSession& session);
  ~Toplevels();
  Toplevels(const Toplevels&) = delete;
  Toplevels& operator=(const Toplevels&) = delete;

  bool available() const { return session_.toplevels() != nullptr; }
  // The toplevel with the keyboard focus, if the compositor says which.
  std::optional<Toplevel> active() const;
  std::optional<Toplevel> find(uint32_t id) const;

  // Called by the protocol's listeners.
  struct Entry {
    Toplevels* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    Toplevel shown;    // as of the last "done"
    Toplevel pending;  // changes since
    bool closed = false;
  };
  void toplevelMade(zwlr_foreign_toplevel_handle_v1* handle);
  void closed(Entry& entry);

 private:
  WaylandSession& session_;
  std::vector<Entry*> entries_;
  uint32_t nextId_ = 0x7f000001;  // far from the numbers the toolkit gives its own windows
};

}  // namespace formix::platform::wayland
