#include "platform/linux/x11_connection.h"

#include <cstdlib>
#include <cstring>

namespace formix::platform::x11 {

Connection::Connection() {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c) != 0) {
    xcb_disconnect(c);
    return;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  connection_ = c;
  root_ = it.data->root;
}

Connection::~Connection() {
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

xcb_atom_t Connection::atom(std::string_view name) {
  if (auto it = atoms_.find(name); it != atoms_.end()) return it->second;
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  atoms_.emplace(std::string(name), atom);
  return atom;
}

std::optional<std::string> Connection::property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                                uint8_t* format) {
  // Titles and lists are small; 1 MiB (in 32-bit units) is far more than any window sets.
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, property, type, 0, 1u << 18), nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::string> value;
  if (reply->type != XCB_ATOM_NONE) {
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
    value.emplace(data, static_cast<size_t>(xcb_get_property_value_length(reply)));  // in bytes
    if (format != nullptr) *format = reply->format;
  }
  std::free(reply);
  return value;
}

std::vector<uint32_t> Connection::property32(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
  uint8_t format = 0;
  const auto bytes = this->property(window, property, type, &format);
  std::vector<uint32_t> values;
  if (!bytes || format != 32) return values;
  values.resize(bytes->size() / 4);
  std::memcpy(values.data(), bytes->data(), values.size() * 4);
  return values;
}

void Connection::sendToRoot(xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5]) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  std::memcpy(event.data.data32, data, sizeof data);
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(connection_);
}

xcb_timestamp_t Connection::serverTime() {
  if (timeWindow_ == XCB_NONE) {
    timeWindow_ = xcb_generate_id(connection_);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, timeWindow_, root_, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
  }
  const xcb_atom_t stamp = atom("_FORMIX_TIMESTAMP");
  xcb_change_property(connection_, XCB_PROP_MODE_APPEND, timeWindow_, stamp, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(connection_);
  // Only this window's events come to this connection; the wait ends with the first of them.
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection_)) {
    const bool found = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
    if (found) time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
    std::free(event);
    if (found) break;
  }
  return time;
}

}  // namespace formix::platform::x11
