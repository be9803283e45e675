// The desktop's own connection to the X server, apart from Qt's, for reading other programs'
// windows and sending synthetic input. xcb returns errors with each reply, so a window that
// vanishes between two requests is just "no answer", never a process-wide error handler.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace formix::platform::x11 {

class Connection {
 public:
  // Connects to $DISPLAY; connected() is false when that failed.
  Connection();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool connected() const { return connection_ != nullptr; }
  xcb_connection_t* get() const { return connection_; }
  xcb_window_t root() const { return root_; }

  // The atom of this name, interned once.
  xcb_atom_t atom(std::string_view name);
  // A property as bytes (any format), or nullopt when the window or the property is missing.
  std::optional<std::string> property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint8_t* format = nullptr);
  // A property of format 32 as a list of values (atoms, windows, cardinals).
  std::vector<uint32_t> property32(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
  // Sends a 32-bit client message the way the window manager expects requests from clients.
  void sendToRoot(xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5]);
  void flush() { xcb_flush(connection_); }
  // The server's time now, read from the property-change event of a window of our own (the
  // timestamp window managers want with an activation request); XCB_CURRENT_TIME on failure.
  xcb_timestamp_t serverTime();

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_window_t timeWindow_ = XCB_NONE;
  std::map<std::string, xcb_atom_t, std::less<>> atoms_;
};

}  // namespace formix::platform::x11
