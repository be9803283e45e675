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

struct Toplevel {
  uint32_t id = 0;
  std::string appId, title;
  bool activated = false;
  uint64_t focusedAt = 0;  // when it last got the focus, counted in focus changes; 0: never seen so
  int64_t focusedSince = 0;  // and by the clock, in milliseconds since 1970 (0: never seen so)
};

// The focused toplevel first, then the others, the most recently focused first; toplevels never
// seen focused keep the compositor's order, after them.
void orderByRecentFocus(std::vector<Toplevel>& toplevels);

class Toplevels {
 public:
  using Toplevel = wayland::Toplevel;

  explicit Toplevels(WaylandSession& session);
  ~Toplevels();
  Toplevels(const Toplevels&) = delete;
  Toplevels& operator=(const Toplevels&) = delete;

  bool available() const { return session_.toplevels() != nullptr; }
  // The toplevel with the keyboard focus, if the compositor says which.
  std::optional<Toplevel> active() const;
  std::optional<Toplevel> find(uint32_t id) const;
  // Every toplevel, the one with the focus first, then the others by how recently they had it:
  // the order a user worked in them, which is what a Wayland client can know of the stacking.
  std::vector<Toplevel> byRecentFocus() const;
  // Asks the compositor to give `id` the keyboard focus; false when it is gone or cannot be asked.
  bool activate(uint32_t id);

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
  // The count of focus changes seen, one more.
  uint64_t nextFocusChange() { return ++focusChanges_; }

 private:
  WaylandSession& session_;
  std::vector<Entry*> entries_;
  uint32_t nextId_ = 0x7f000001;  // far from the numbers the toolkit gives its own windows
  uint64_t focusChanges_ = 0;

};

}  // namespace formix::platform::wayland
