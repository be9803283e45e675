#include "platform/wayland/toplevels.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace formix::platform::wayland {
namespace {

Toplevels::Entry& entryOf(void* data) { return *static_cast<Toplevels::Entry*>(data); }

void onTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) { entryOf(data).pending.title = title; }
void onAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) { entryOf(data).pending.appId = appId; }
void onOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void onOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void onState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
  entryOf(data).pending.activated = activatedIn(states);
}
void onDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
  Toplevels::Entry& entry = entryOf(data);
  if (entry.pending.activated && !entry.shown.activated) {
    entry.pending.focusedAt = entry.owner->nextFocusChange();
    entry.pending.focusedSince = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::system_clock::now().time_since_epoch()).count();
  }
  entry.shown = entry.pending;
}
void onClosed(void* data, zwlr_foreign_toplevel_handle_v1*) {
  Toplevels::Entry& entry = entryOf(data);
  entry.owner->closed(entry);
}
void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
const zwlr_foreign_toplevel_handle_v1_listener kHandleListener{&onTitle,  &onAppId, &onOutputEnter, &onOutputLeave,
                                                               &onState,  &onDone,  &onClosed,      &onParent};

void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
  static_cast<Toplevels*>(data)->toplevelMade(handle);
}
void onFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}
const zwlr_foreign_toplevel_manager_v1_listener kManagerListener{&onToplevel, &onFinished};

}  // namespace

void orderByRecentFocus(std::vector<Toplevel>& toplevels) {
  std::stable_sort(toplevels.begin(), toplevels.end(), [](const Toplevel& a, const Toplevel& b) {
    if (a.activated != b.activated) return a.activated;
    return a.focusedAt > b.focusedAt;
  });
}

bool activatedIn(const wl_array* states) {
  if (states == nullptr || states->data == nullptr) return false;
  const size_t count = states->size / sizeof(uint32_t);
  for (size_t i = 0; i < count; ++i) {
    uint32_t state = 0;
    std::memcpy(&state, static_cast<const char*>(states->data) + i * sizeof(uint32_t), sizeof state);
    if (state == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) return true;
  }
  return false;
}

Toplevels::Toplevels(WaylandSession& session) : session_(session) {
  if (session_.toplevels() == nullptr) return;
  zwlr_foreign_toplevel_manager_v1_add_listener(session_.toplevels(), &kManagerListener, this);
  session_.roundtrip();  // the toplevels open now
  session_.roundtrip();  // and their titles, app_ids and states
}

Toplevels::~Toplevels() {
  for (Entry* entry : entries_) {
    if (!entry->closed) zwlr_foreign_toplevel_handle_v1_destroy(entry->handle);
    delete entry;
  }
}

void Toplevels::toplevelMade(zwlr_foreign_toplevel_handle_v1* handle) {
  auto* entry = new Entry{this, handle, {}, {}, false};
  entry->shown.id = entry->pending.id = nextId_++;
  zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, entry);
  entries_.push_back(entry);
}

void Toplevels::closed(Entry& entry) {
  zwlr_foreign_toplevel_handle_v1_destroy(entry.handle);
  Entry* gone = &entry;
  std::erase(entries_, gone);
  delete gone;
}

std::optional<Toplevel> Toplevels::active() const {
  for (const Entry* entry : entries_) {
    if (entry->shown.activated) return entry->shown;
  }
  return std::nullopt;
}

std::vector<Toplevel> Toplevels::byRecentFocus() const {
  std::vector<Toplevel> all;
  for (const Entry* entry : entries_) all.push_back(entry->shown);
  orderByRecentFocus(all);
  return all;
}

bool Toplevels::activate(uint32_t id) {
  if (session_.seat() == nullptr) return false;
  for (const Entry* entry : entries_) {
    if (entry->shown.id != id) continue;
    zwlr_foreign_toplevel_handle_v1_activate(entry->handle, session_.seat());
    session_.flush();
    return true;
  }
  return false;
}

std::optional<Toplevel> Toplevels::find(uint32_t id) const {
  for (const Entry* entry : entries_) {
    if (entry->shown.id == id) return entry->shown;
  }
  return std::nullopt;
}

}  // namespace formix::platform::wayland
