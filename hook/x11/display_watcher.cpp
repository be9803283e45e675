#include "hook/x11/display_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <random>
#include <string>

#include "hook/hook_library.h"
#include "hook/x11/client_process.h"

namespace formix::hook::x11 {

static_assert(kKeyPress == XCB_KEY_PRESS && kKeyRelease == XCB_KEY_RELEASE);
static_assert(kButtonPress == XCB_BUTTON_PRESS && kButtonRelease == XCB_BUTTON_RELEASE);
static_assert(kLockMask == XCB_MOD_MASK_LOCK && kControlMask == XCB_MOD_MASK_CONTROL);
static_assert(kMiddleButton == XCB_BUTTON_INDEX_2 && kRightButton == XCB_BUTTON_INDEX_3);
static_assert(sizeof(xcb_client_message_event_t) == 32);

namespace {

template <class T>
struct Freed {
  T* p;
  explicit Freed(T* pointer) : p(pointer) {}
  ~Freed() { std::free(p); }
  Freed(const Freed&) = delete;
  Freed& operator=(const Freed&) = delete;
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// The windows whose changes can make or unmake the main window: new, gone, shown, hidden or
// renamed top-level windows, and the window manager's list of clients.
constexpr std::uint32_t kRootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
constexpr std::uint32_t kMainWindowEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
// A new top-level window may get its title only after it was made, and may never be shown (a
// program that starts hidden in the tray): its title changes are heard of as well.
constexpr std::uint32_t kNewWindowEvents = XCB_EVENT_MASK_PROPERTY_CHANGE;

std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, std::initializer_list<const char*> names) {
  std::vector<xcb_intern_atom_cookie_t> cookies;
  for (const char* name : names) {
    cookies.push_back(xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
  }
  std::vector<xcb_atom_t> atoms;
  for (const auto& cookie : cookies) {
    const Freed<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    atoms.push_back(reply ? reply->atom : XCB_NONE);
  }
  return atoms;
}

std::vector<std::uint8_t> keycodesOf(xcb_key_symbols_t* symbols, std::uint32_t keysym) {
  std::vector<std::uint8_t> out;
  const Freed<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
  for (const xcb_keycode_t* k = codes.p; k != nullptr && *k != XCB_NO_SYMBOL; ++k) out.push_back(*k);
  return out;
}

std::string describe(Grab::Kind kind, std::uint8_t detail) {
  if (kind == Grab::Kind::Key) return "the Super key (keycode " + std::to_string(detail) + ")";
  return detail == kRightButton ? "the right button" : detail == kMiddleButton ? "the middle button" : "a button";
}

}  // namespace

DisplayWatcher::DisplayWatcher(xcb_connection_t* connection, xcb_window_t root, SharedState& shared) noexcept
    : connection_(connection), root_(root), shared_(shared) {}

std::unique_ptr<DisplayWatcher> DisplayWatcher::open(SharedState& shared) noexcept {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c) != 0) {
    xcb_disconnect(c);
    return nullptr;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) {
    xcb_disconnect(c);
    return nullptr;
  }
  std::unique_ptr<DisplayWatcher> watcher(new (std::nothrow) DisplayWatcher(c, screens.data->root, shared));
  if (watcher == nullptr) {
    xcb_disconnect(c);
    return nullptr;
  }
  if (!watcher->setUp()) return nullptr;  // the destructor lets go of what was taken and closes
  return watcher;
}

bool DisplayWatcher::setUp() noexcept {
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  symbols_ = xcb_key_symbols_alloc(connection_);
  if (wakeFd_ < 0 || symbols_ == nullptr) return false;
  try {
    const std::vector<xcb_atom_t> atoms = internAtoms(
        connection_, {"_NET_CLIENT_LIST", "_NET_WM_NAME", "UTF8_STRING", "_NET_ACTIVE_WINDOW", "_FORMIX_HOOK"});
    titleAtoms_ = {atoms[0], atoms[1], atoms[2]};
    netActiveWindow_ = atoms[3];
    formixHook_ = atoms[4];
    // The main program is this process: its window is one this process made. A server that
    // cannot name processes leaves the title alone to find it.
    ownProcess_ = ownProcessSeenByServer(connection_);
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &kRootEvents);
    {
      // The grabs are in place when SetHook returns.
      const std::lock_guard lock(mutex_);
      refresh();
    }
    thread_ = std::thread([this] { run(); });
    return true;
  } catch (...) {
    return false;
  }
}

DisplayWatcher::~DisplayWatcher() {
  stopping_ = true;
  if (thread_.joinable()) {
    wake();
    thread_.join();
  }
  {
    const std::lock_guard lock(mutex_);
    releaseEverything();
  }
  if (symbols_ != nullptr) xcb_key_symbols_free(symbols_);
  xcb_disconnect(connection_);
  if (wakeFd_ >= 0) close(wakeFd_);
}

void DisplayWatcher::releaseEverything() {
  if (xcb_connection_has_error(connection_) != 0) return;
  xcb_ungrab_button(connection_, XCB_BUTTON_INDEX_ANY, root_, XCB_MOD_MASK_ANY);
  xcb_ungrab_key(connection_, XCB_GRAB_ANY, root_, XCB_MOD_MASK_ANY);
  xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
  xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
  held_.clear();
  // One round trip: the server has let go of everything before RemoveHook returns.
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void DisplayWatcher::wake() noexcept {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
}

void DisplayWatcher::run() noexcept {
  pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  while (!stopping_) {
    bool more = false;
    try {
      const std::lock_guard lock(mutex_);
      handleEvents(true);
      if (xcb_connection_has_error(connection_) != 0) {
        if (!lostSaid_) std::fputs("libfmxhook: lost the connection to the X display\n", stderr);
        lostSaid_ = true;
        return;
      }
      refresh();
      // Round trips made above may have queued events that the socket no longer announces.
      more = handleEvents(false);
    } catch (...) {
      // Out of memory while planning grabs: keep what is held and try again on the next turn.
    }
    if (more) continue;
    poll(fds, 2, kModeCheckMs);
    if (fds[1].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t n = read(wakeFd_, &count, sizeof count);
    }
  }
}

bool DisplayWatcher::handleEvents(bool readSocket) {
  bool any = false;
  while (xcb_generic_event_t* event =
             readSocket ? xcb_poll_for_event(connection_) : xcb_poll_for_queued_event(connection_)) {
    const Freed<xcb_generic_event_t> owned(event);
    handle(*event);
    any = true;
  }
  return any;
}

void DisplayWatcher::handle(const xcb_generic_event_t& event) {
  const std::uint8_t type = event.response_type & 0x7f;
  const bool synthetic = (event.response_type & 0x80) != 0;
  switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
      // Key and button events share their layout. Events that a client made up are not the user's.
      const auto& input = reinterpret_cast<const xcb_button_press_event_t&>(event);
      if (!synthetic) handleInput(type, input.detail, input.state, input.time);
      break;
    }
    case XCB_PROPERTY_NOTIFY: {
      const auto& p = reinterpret_cast<const xcb_property_notify_event_t&>(event);
      // Titles are heard of from windows made while watching and from those that were the main
      // window once.
      if ((p.window == root_ && p.atom == titleAtoms_.netClientList) ||
          (p.window != root_ && (p.atom == XCB_ATOM_WM_NAME || p.atom == titleAtoms_.netWmName))) {
        mainWindowStale_ = true;
      }
      break;
    }
    case XCB_CREATE_NOTIFY: {
      const auto& created = reinterpret_cast<const xcb_create_notify_event_t&>(event);
      if (created.parent == root_ && !created.override_redirect) {
        // A window gone meanwhile only raises an error, which is of no consequence.
        xcb_change_window_attributes(connection_, created.window, XCB_CW_EVENT_MASK, &kNewWindowEvents);
      }
      mainWindowStale_ = true;
      break;
    }
    case XCB_DESTROY_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
      mainWindowStale_ = true;
      break;
    case XCB_MAPPING_NOTIFY: {
      auto mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
      xcb_refresh_keyboard_mapping(symbols_, &mapping);
      keyboardStale_ = true;
      break;
    }
    default:
      break;  // errors of requests whose outcome does not matter (a window gone meanwhile)
  }
}

void DisplayWatcher::handleInput(std::uint8_t type, std::uint8_t detail, std::uint16_t state, std::uint32_t time) {
  const bool isKey = type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE;
  const bool super = isKey && std::find(superKeys_.begin(), superKeys_.end(), detail) != superKeys_.end();
  if (super && type == XCB_KEY_RELEASE) repeats_.released(detail, time);
  if (super && type == XCB_KEY_PRESS && repeats_.isRepeat(detail, time)) return;
  FmxHookMessage record{messageFor(type, detail, super), state, 0, 0, time};
  // Whatever the verdict, the event stays here: a grabbed event cannot be handed back.
  if (isWatched(record.message)) judgeLocked(0, 0, reinterpret_cast<std::intptr_t>(&record));
}

std::intptr_t DisplayWatcher::judge(int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  try {
    const std::lock_guard lock(mutex_);
    return judgeLocked(code, wParam, lParam);
  } catch (...) {
    return 0;  // the lock could not be taken; the message passes
  }
}

std::intptr_t DisplayWatcher::judgeLocked(int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  const auto* record = code >= 0 ? reinterpret_cast<const FmxHookMessage*>(lParam) : nullptr;
  X11Environment env(this, record);
  return hookProcedure(env, shared_, code, wParam, lParam);
}

void DisplayWatcher::activate(WindowRef window, std::uint32_t time) noexcept {
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(window);
  message.type = netActiveWindow_;
  message.data.data32[0] = 2;  // the request comes from the user's own action
  message.data.data32[1] = time;
  message.data.data32[2] = XCB_NONE;
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection_);
}

std::uint64_t reportKey() noexcept {
  static const std::uint64_t key = [] {
    std::uint64_t value = 0;
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
      std::random_device device;
      value = (static_cast<std::uint64_t>(device()) << 32) | device();
    }
    return value != 0 ? value : 1;
  }();
  return key;
}

void DisplayWatcher::report(WindowRef window, std::uint32_t message, ClientPoint point) noexcept {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(window);
  event.type = formixHook_;
  event.data.data32[0] = message;
  event.data.data32[1] = static_cast<std::uint32_t>(point.x);
  event.data.data32[2] = static_cast<std::uint32_t>(point.y);
  event.data.data32[3] = static_cast<std::uint32_t>(reportKey());
  event.data.data32[4] = static_cast<std::uint32_t>(reportKey() >> 32);
  // No event mask: the event goes to the client that made the window, the main program.
  xcb_send_event(connection_, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  xcb_flush(connection_);
}

void DisplayWatcher::modesChanged() noexcept {
  try {
    const std::lock_guard lock(mutex_);
    refresh();
  } catch (...) {
    // the thread tries again on its next turn
  }
  wake();
}

void DisplayWatcher::loadKeyboard() {
  keyboardStale_ = false;
  std::vector<std::uint8_t> supers = keycodesOf(symbols_, kXkSuperL);
  for (const std::uint8_t k : keycodesOf(symbols_, kXkSuperR)) supers.push_back(k);
  superKeys_ = std::move(supers);
  const Freed<xcb_get_modifier_mapping_reply_t> map(
      xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
  if (!map) return;
  const std::span<const std::uint8_t> keys(xcb_get_modifier_mapping_keycodes(map.p),
                                           xcb_get_modifier_mapping_keycodes_length(map.p));
  locks_.num = modifierMaskHolding(keys, map->keycodes_per_modifier, keycodesOf(symbols_, kXkNumLock));
  locks_.scroll = modifierMaskHolding(keys, map->keycodes_per_modifier, keycodesOf(symbols_, kXkScrollLock));
  seenMouseMode_ = -1;  // the grabs are redone with the new codes and masks
}

void DisplayWatcher::refresh() {
  if (xcb_connection_has_error(connection_) != 0) return;
  if (keyboardStale_) loadKeyboard();
  if (mainWindowStale_) {
    mainWindowStale_ = false;
    const xcb_window_t found = findMainWindow(connection_, root_, titleAtoms_, ownProcess_);
    if (found != mainWindow_) {
      // Hear of its renaming and its end; a window that is gone meanwhile only raises an error.
      if (found != XCB_NONE) xcb_change_window_attributes(connection_, found, XCB_CW_EVENT_MASK, &kMainWindowEvents);
      mainWindow_ = found;
      seenMouseMode_ = -1;
    }
  }
  const std::int32_t mouseMode = load(shared_.mouseMode);
  const std::int32_t keyMode = load(shared_.keyMode);
  if (mouseMode == seenMouseMode_ && keyMode == seenKeyMode_) return;  // the common idle turn
  const std::vector<Grab> wanted = grabsFor(mouseMode, keyMode, mainWindow_ != XCB_NONE, locks_, superKeys_);
  applyGrabs(grabChange(held_, wanted));
  held_ = wanted;
  seenMouseMode_ = mouseMode;
  seenKeyMode_ = keyMode;
}

void DisplayWatcher::applyGrabs(const GrabChange& change) {
  for (const Grab& g : change.release) {
    if (g.kind == Grab::Kind::Button) {
      xcb_ungrab_button(connection_, g.detail, root_, g.modifiers);
    } else {
      xcb_ungrab_key(connection_, g.detail, root_, g.modifiers);
    }
  }
  std::vector<xcb_void_cookie_t> cookies;
  for (const Grab& g : change.take) {
    cookies.push_back(g.kind == Grab::Kind::Button
                          ? xcb_grab_button_checked(connection_, 0, root_,
                                                    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                                    g.detail, g.modifiers)
                          : xcb_grab_key_checked(connection_, 0, root_, g.modifiers, g.detail, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC));
  }
  std::map<std::pair<Grab::Kind, std::uint8_t>, std::uint8_t> refused;  // gesture -> error code
  for (std::size_t i = 0; i < cookies.size(); ++i) {
    const Freed<xcb_generic_error_t> error(xcb_request_check(connection_, cookies[i]));
    if (error) refused.insert({{change.take[i].kind, change.take[i].detail}, error->error_code});
  }
  // Another client's grab keeps those gestures; that is said once per gesture, not at every turn.
  for (const auto& [gesture, code] : refused) {
    if (!conflictsSaid_.insert(gesture).second) continue;
    const std::string what = describe(gesture.first, gesture.second);
    if (code == XCB_ACCESS) {
      std::fprintf(stderr, "libfmxhook: another client already grabs %s; those gestures stay with it\n", what.c_str());
    } else {
      std::fprintf(stderr, "libfmxhook: the X server refused a grab of %s (error %u)\n", what.c_str(), code);
    }
  }
  // The server has let go of what was released before a mode export returns.
  if (cookies.empty() && !change.release.empty()) {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }
  xcb_flush(connection_);
}

}  // namespace formix::hook::x11
