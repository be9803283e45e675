#include "platform/linux/x11_clipboard.h"

#include <cstdlib>
#include <deque>
#include <vector>

#include "text/utf.h"

namespace formix::platform::x11 {

std::u16string unixLineEnds(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r') {
      out += text[i];
      continue;
    }
    out += u'\n';
    if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
  }
  return out;
}

X11Clipboard::X11Clipboard() {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c) != 0) {
    xcb_disconnect(c);
    return;
  }
  c_ = c;
  const xcb_setup_t* setup = xcb_get_setup(c);
  clientMask_ = ~setup->resource_id_mask;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  // An unmapped window of our own: the owner of the selections, and the source of timestamps.
  window_ = xcb_generate_id(c);
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, it.data->root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
  clipboard_.atom = atom("CLIPBOARD");
  primary_.atom = XCB_ATOM_PRIMARY;
  targets_ = atom("TARGETS");
  timestamp_ = atom("TIMESTAMP");
  utf8_ = atom("UTF8_STRING");
  textPlainUtf8_ = atom("text/plain;charset=utf-8");
  text_ = atom("TEXT");
  stamp_ = atom("_FORMIX_CLIPBOARD_TIME");
  serve();
}

X11Clipboard::~X11Clipboard() {
  if (c_ != nullptr) xcb_disconnect(c_);  // the server drops the selections of a client that leaves
}

int X11Clipboard::fd() const { return c_ != nullptr ? xcb_get_file_descriptor(c_) : -1; }

xcb_atom_t X11Clipboard::atom(std::string_view name) {
  auto* reply = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
  const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return a;
}

bool X11Clipboard::serve() {
  if (c_ == nullptr) return false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
    handle(event);
    std::free(event);
  }
  return xcb_connection_has_error(c_) == 0;
}

xcb_timestamp_t X11Clipboard::serverTime() {
  // A property change on our own window carries the server's time. Requests that come meanwhile
  // are answered after it.
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, stamp_, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(c_);
  std::deque<xcb_generic_event_t*> others;
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c_)) {
    if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
        reinterpret_cast<xcb_property_notify_event_t*>(event)->window == window_) {
      time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
      std::free(event);
      break;
    }
    others.push_back(event);
  }
  for (xcb_generic_event_t* event : others) {
    handle(event);
    std::free(event);
  }
  return time;
}

bool X11Clipboard::own(Selection& selection, std::u16string_view text) {
  if (c_ == nullptr) return false;
  const xcb_timestamp_t time = serverTime();
  selection.utf8 = text::toUtf8(unixLineEnds(text));
  selection.since = time;
  xcb_set_selection_owner(c_, window_, selection.atom, time);
  auto* reply = xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection.atom), nullptr);
  selection.owned = reply != nullptr && reply->owner == window_;
  std::free(reply);
  serve();  // events read with the reply would otherwise wait for the next ones
  return selection.owned;
}

bool X11Clipboard::clear() {
  if (c_ == nullptr) return false;
  if (clipboard_.owned) {
    xcb_set_selection_owner(c_, XCB_NONE, clipboard_.atom, clipboard_.since);
    xcb_flush(c_);
  }
  clipboard_.owned = false;
  clipboard_.utf8.clear();
  serve();
  return true;
}

bool X11Clipboard::setText(std::u16string_view text) { return own(clipboard_, text); }

std::optional<std::u16string> X11Clipboard::text() {
  serve();  // a SelectionClear that came tells that another program took it
  if (!clipboard_.owned) return std::nullopt;
  return text::fromUtf8Lossy(clipboard_.utf8);
}

bool X11Clipboard::setSelectionText(std::u16string_view text) { return own(primary_, text); }

void X11Clipboard::watchPaste(ports::WindowHandle target) {
  serve();  // what was asked before the paste key is not the paste
  watching_ = true;
  fetched_ = false;
  watchedClient_ = target & clientMask_;
}

void X11Clipboard::handle(xcb_generic_event_t* event) {
  switch (event->response_type & 0x7f) {
    case XCB_SELECTION_REQUEST:
      answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
      break;
    case XCB_SELECTION_CLEAR: {
      const auto& clear = *reinterpret_cast<xcb_selection_clear_event_t*>(event);
      for (Selection* s : {&clipboard_, &primary_}) {
        if (s->atom == clear.selection && clear.time >= s->since) s->owned = false;
      }
      break;
    }
    default:
      break;
  }
}

void X11Clipboard::answer(const xcb_selection_request_event_t& request) {
  Selection* selection = request.selection == clipboard_.atom ? &clipboard_
                         : request.selection == primary_.atom  ? &primary_
                                                               : nullptr;
  // Obsolete clients name no property: the target's name stands for it.
  const xcb_atom_t property = request.property != XCB_ATOM_NONE ? request.property : request.target;
  bool answered = false, textGiven = false;
  const bool current = selection != nullptr && selection->owned &&
                       (request.time == XCB_CURRENT_TIME || request.time >= selection->since);
  if (current) {
    // What fits in one request; a text beyond it (megabytes) is refused rather than sent in parts.
    const size_t maximum = static_cast<size_t>(xcb_get_maximum_request_length(c_)) * 4 - 64;
    const bool ascii = [&] {
      for (const unsigned char ch : selection->utf8) {
        if (ch >= 0x80) return false;
      }
      return true;
    }();
    if (request.target == targets_) {
      std::vector<xcb_atom_t> offered{targets_, timestamp_, utf8_, textPlainUtf8_, text_};
      if (ascii) offered.push_back(XCB_ATOM_STRING);
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                          static_cast<uint32_t>(offered.size()), offered.data());
      answered = true;
    } else if (request.target == timestamp_) {
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER, 32, 1,
                          &selection->since);
      answered = true;
    } else if ((request.target == utf8_ || request.target == textPlainUtf8_ || request.target == text_ ||
                (request.target == XCB_ATOM_STRING && ascii)) &&
               selection->utf8.size() <= maximum) {
      // TEXT is answered in UTF-8, which the type says; STRING only when the text is plain ASCII.
      const xcb_atom_t type = request.target == text_ ? utf8_ : request.target;
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8,
                          static_cast<uint32_t>(selection->utf8.size()), selection->utf8.data());
      answered = textGiven = true;
    }
  }
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = answered ? property : xcb_atom_t{XCB_ATOM_NONE};
  xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
  xcb_flush(c_);
  if (textGiven && watching_ && (watchedClient_ == 0 || (request.requestor & clientMask_) == watchedClient_)) {
    // Keys go out on another connection, and the server takes its clients' requests in any order:
    // a round trip here makes sure the program has the answer in its queue before any key sent
    // after it.
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    fetched_ = true;
  }
}

}  // namespace formix::platform::x11
