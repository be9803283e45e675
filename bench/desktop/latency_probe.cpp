// Times what a user waits for on the Linux desktop, from the X server's side:
//
//   latency_probe popup X Y      right click at X,Y; ms until the popup menu is mapped
//   latency_probe click X Y      left click at X,Y; prints the click's time (ms since the epoch)
//   latency_probe startup CMD... starts CMD; ms until a window titled "Formix " is mapped
//   latency_probe title X Y WIN  left click at X,Y; ms until window WIN's title changes
//   latency_probe target N       shows a window titled "Paste target" that pastes as GTK does
//                                (asks for TARGETS, then UTF8_STRING) on Ctrl+V; for each of N
//                                pastes prints the ms from the text's arrival to the Return or
//                                Tab after it (negative: the key came first)
//
// Clicks go through XTest, as a real mouse's would reach the server.
#include <spawn.h>
#include <sys/wait.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string windowName(xcb_connection_t* c, xcb_window_t window) {
  auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 64), nullptr);
  std::string name;
  if (reply != nullptr) {
    name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
  }
  return name;
}

// Whether `window` or a window below it (a window manager's frame holds the client a level or two
// down) carries this name.
bool named(xcb_connection_t* c, xcb_window_t window, const std::string& name, int depth) {
  if (windowName(c, window) == name) return true;
  if (depth == 0) return false;
  auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
  if (tree == nullptr) return false;
  const xcb_window_t* kids = xcb_query_tree_children(tree);
  bool found = false;
  for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) found = named(c, kids[i], name, depth - 1);
  std::free(tree);
  return found;
}

// Waits (at most 10 s) for a window with this name to be mapped anywhere below the root.
bool waitForMap(xcb_connection_t* c, const std::string& name) {
  const auto until = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < until) {
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (event == nullptr) {
      struct timespec pause{0, 200000};
      nanosleep(&pause, nullptr);
      continue;
    }
    const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
    const xcb_window_t window = map ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
    std::free(event);
    if (map && named(c, window, name, 3)) return true;
  }
  return false;
}

void click(xcb_connection_t* c, xcb_window_t root, int x, int y, uint8_t button) {
  xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
  xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, root, 0, 0, 0);
  xcb_test_fake_input(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, root, 0, 0, 0);
  xcb_flush(c);
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = XCB_ATOM_NONE;
  if (reply != nullptr) atom = reply->atom;
  std::free(reply);
  return atom;
}

std::string title(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmName) {
  auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, netWmName, XCB_ATOM_ANY, 0, 1024), nullptr);
  std::string name;
  if (reply != nullptr) {
    name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
  }
  return name;
}

// Clicks, then waits (at most 10 s) for the window's _NET_WM_NAME to change.
int titleChange(xcb_connection_t* c, xcb_window_t root, int x, int y, xcb_window_t window) {
  const xcb_atom_t netWmName = internAtom(c, "_NET_WM_NAME");
  const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
  const std::string before = title(c, window, netWmName);
  const auto start = Clock::now();
  click(c, root, x, y, 1);
  while (msSince(start) < 10000) {
    xcb_generic_event_t* event = xcb_poll_for_event(c);
    if (event == nullptr) {
      struct timespec pause{0, 100000};
      nanosleep(&pause, nullptr);
      continue;
    }
    const bool changed = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                         reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == netWmName;
    std::free(event);
    if (changed && title(c, window, netWmName) != before) {
      std::printf("%.3f\n", msSince(start));
      return 0;
    }
  }
  return 1;
}

// A paste target as GTK programs are: Ctrl+V asks the clipboard's owner for its TARGETS, then for
// UTF8_STRING; the text arrives with the answer to the second request.
int pasteTarget(xcb_connection_t* c, xcb_window_t root, int count) {
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t mask = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 100, 100, 400, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
  const char name[] = "Paste target";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof name - 1, name);
  xcb_map_window(c, window);
  xcb_flush(c);
  const xcb_atom_t clipboard = internAtom(c, "CLIPBOARD"), targets = internAtom(c, "TARGETS"),
                   utf8 = internAtom(c, "UTF8_STRING"), slot = internAtom(c, "PROBE_PASTE");
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
  std::printf("ready\n");
  std::fflush(stdout);
  bool hasArrived = false;
  Clock::time_point arrived{};
  int done = 0;
  while (done < count) {
    xcb_generic_event_t* event = xcb_wait_for_event(c);
    if (event == nullptr) return 1;
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
      const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
      const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols, key->detail, 0);
      if (sym == XK_v && (key->state & XCB_MOD_MASK_CONTROL) != 0) {
        hasArrived = false;
        xcb_convert_selection(c, window, clipboard, targets, slot, key->time);
        xcb_flush(c);
      } else if (sym == XK_Return || sym == XK_Tab) {
        // A key before the text counts from the moment the text came after it.
        if (!hasArrived) {
          const auto keyTime = Clock::now();
          while (!hasArrived) {
            xcb_generic_event_t* next = xcb_wait_for_event(c);
            if (next == nullptr) return 1;
            if ((next->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                reinterpret_cast<xcb_selection_notify_event_t*>(next)->target == utf8) {
              arrived = Clock::now();
              hasArrived = true;
            } else if ((next->response_type & 0x7f) == XCB_SELECTION_NOTIFY) {
              xcb_convert_selection(c, window, clipboard, utf8, slot, XCB_CURRENT_TIME);
              xcb_flush(c);
            }
            std::free(next);
          }
          std::printf("%.3f\n", -std::chrono::duration<double, std::milli>(arrived - keyTime).count());
        } else {
          std::printf("%.3f\n", msSince(arrived));
        }
        std::fflush(stdout);
        hasArrived = false;
        ++done;
      }
    } else if (type == XCB_SELECTION_NOTIFY) {
      const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
      if (notify->target == targets) {
        xcb_convert_selection(c, window, clipboard, utf8, slot, notify->time);
        xcb_flush(c);
      } else if (notify->target == utf8) {
        arrived = Clock::now();
        hasArrived = true;
        xcb_delete_property(c, window, slot);
        xcb_flush(c);
      }
    }
    std::free(event);
  }
  xcb_key_symbols_free(symbols);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: latency_probe popup X Y | click X Y | title X Y WINDOW | target N | startup COMMAND...\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) return 1;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  const std::string mode = argv[1];
  if (mode == "click" && argc == 4) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    click(c, root, std::atoi(argv[2]), std::atoi(argv[3]), 1);
    std::printf("%.3f\n", std::chrono::duration<double, std::milli>(now).count());
    return 0;
  }
  if (mode == "popup" && argc == 4) {
    const auto start = Clock::now();
    click(c, root, std::atoi(argv[2]), std::atoi(argv[3]), 3);
    if (!waitForMap(c, "Formix menu")) return 1;
    std::printf("%.3f\n", msSince(start));
    return 0;
  }
  if (mode == "title" && argc == 5) {
    return titleChange(c, root, std::atoi(argv[2]), std::atoi(argv[3]),
                       static_cast<xcb_window_t>(std::strtoul(argv[4], nullptr, 0)));
  }
  if (mode == "target") return pasteTarget(c, root, std::atoi(argv[2]));
  if (mode == "startup") {
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) return 1;
    if (!waitForMap(c, "Formix ")) return 1;
    std::printf("%.3f %d\n", msSince(start), pid);
    return 0;
  }
  return 2;
}
