// Times what a user waits for on the Linux desktop, from the X server's side:
//
//   latency_probe popup X Y      right click at X,Y; ms until the popup menu is mapped
//   latency_probe click X Y      left click at X,Y; prints the click's time (ms since the epoch)
//   latency_probe startup CMD... starts CMD; ms until a window titled "Formix " is mapped
//
// Clicks go through XTest, as a real mouse's would reach the server.
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: latency_probe popup X Y | click X Y | startup COMMAND...\n");
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
