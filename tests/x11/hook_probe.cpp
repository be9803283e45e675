// A small X11 program for the end-to-end test of libfmxhook.so.
//
//   hook_probe TITLE X Y [hidden]
//
// Shows a 200 x 150 window titled TITLE at X, Y (or only makes it, with "hidden") and writes one line to stdout for each button or
// key event it receives and for each _FORMIX_HOOK client message (the hook library's report; to the
// second window: "hook2 ...").
// Commands arrive one per line on stdin:
//   load PATH        dlopen the library and look up its eleven exports by name
//   call NAME        call an export (SetHook and RemoveHook print their result)
//   judge MSG STATE  pass a message record through FmxHook and print what became of it
//   keycode KEYSYM   print the first keycode of a keysym (hexadecimal)
//   title TEXT       retitle the window (both WM_NAME and _NET_WM_NAME)
//   hide, show       unmap or map the window
//   second TEXT      make a second window of this program, never shown, titled TEXT ("" none)
//   title2 TEXT      retitle the second window
//   end-second       destroy that window
//   grab-button N    take a passive grab of button N without modifiers on the root window
//   busy MS          stop answering for MS milliseconds, as a long handler would
//   display off|on   unset DISPLAY for what the library opens next, or set it back
//   ping T           answer "pong T" once every event sent before it has been printed
//   quit             end
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hook/hook_library.h"
#include "hook/x11/fmxhook.h"

namespace {

xcb_connection_t* gConnection = nullptr;
xcb_window_t gRoot = 0;
xcb_window_t gWindow = 0;
xcb_window_t gSecond = 0;
xcb_atom_t gHookAtom = 0;
void* gLibrary = nullptr;

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

xcb_atom_t atom(const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      gConnection, xcb_intern_atom(gConnection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t result = reply != nullptr ? reply->atom : 0;
  std::free(reply);
  return result;
}

void roundTrip() {
  std::free(xcb_get_input_focus_reply(gConnection, xcb_get_input_focus(gConnection), nullptr));
}

template <class F>
F exported(const char* name) {
  return reinterpret_cast<F>(dlsym(gLibrary, name));
}

void load(const std::string& path) {
  gLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (gLibrary == nullptr) return say("load failed %s", dlerror());
  int found = 0;
  for (const auto& e : formix::hook::kExports) {
    if (dlsym(gLibrary, e.name) == nullptr) return say("export %s missing", e.name);
    ++found;
  }
  say("loaded %d exports", found);
}

void call(const std::string& name) {
  if (gLibrary == nullptr) return say("call %s: not loaded", name.c_str());
  if (name == "SetHook" || name == "RemoveHook") {
    const auto proc = exported<std::int32_t (*)()>(name.c_str());
    if (proc == nullptr) return say("call %s: no such export", name.c_str());
    return say("%s -> %d", name.c_str(), proc());
  }
  const auto proc = exported<void (*)()>(name.c_str());
  if (proc == nullptr) return say("call %s: no such export", name.c_str());
  proc();
  say("%s done", name.c_str());
}

void judge(const std::string& args) {
  const auto proc = exported<std::intptr_t (*)(int, std::uintptr_t, std::intptr_t)>("FmxHook");
  if (proc == nullptr) return say("judge: not loaded");
  FmxHookMessage record{};
  int message = 0, state = 0;
  if (std::sscanf(args.c_str(), "%i %i", &message, &state) != 2) return say("judge: bad arguments");
  record.message = static_cast<std::uint32_t>(message);
  record.state = static_cast<std::uint16_t>(state);
  const std::intptr_t result = proc(0, 0, reinterpret_cast<std::intptr_t>(&record));
  say("judged %d -> message %u result %ld", message, record.message, static_cast<long>(result));
}

void keycode(const std::string& arg) {
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(gConnection);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, static_cast<xcb_keysym_t>(std::strtoul(arg.c_str(), nullptr, 16)));
  say("keycode %s %u", arg.c_str(), codes != nullptr ? codes[0] : 0u);
  std::free(codes);
  xcb_key_symbols_free(symbols);
}

void setTitle(const std::string& title, xcb_window_t window = gWindow) {
  xcb_change_property(gConnection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      static_cast<std::uint32_t>(title.size()), title.data());
  xcb_change_property(gConnection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                      static_cast<std::uint32_t>(title.size()), title.data());
}

void makeSecond(const std::string& title) {
  gSecond = xcb_generate_id(gConnection);
  xcb_create_window(gConnection, XCB_COPY_FROM_PARENT, gSecond, gRoot, 600, 300, 200, 150, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  if (!title.empty()) setTitle(title, gSecond);
  roundTrip();
  say("second %u", gSecond);
}

void grabButton(const std::string& arg) {
  const auto button = static_cast<std::uint8_t>(std::atoi(arg.c_str()));
  xcb_generic_error_t* error = xcb_request_check(
      gConnection, xcb_grab_button_checked(gConnection, 0, gRoot,
                                           XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, button, 0));
  say(error == nullptr ? "grabbed button %d" : "grab of button %d failed", button);
  std::free(error);
}

bool run(const std::string& line) {
  const auto arg = [&](std::size_t n) { return line.size() > n ? line.substr(n) : std::string(); };
  if (line.rfind("load ", 0) == 0) {
    load(arg(5));
  } else if (line.rfind("call ", 0) == 0) {
    call(arg(5));
  } else if (line.rfind("judge ", 0) == 0) {
    judge(arg(6));
  } else if (line.rfind("title ", 0) == 0) {
    setTitle(arg(6));
    roundTrip();
    say("titled %s", arg(6).c_str());
  } else if (line == "hide" || line == "show") {
    if (line == "hide") {
      xcb_unmap_window(gConnection, gWindow);
      // A client withdraws its window by telling the window manager too.
      xcb_unmap_notify_event_t event{};
      event.response_type = XCB_UNMAP_NOTIFY;
      event.event = gRoot;
      event.window = gWindow;
      xcb_send_event(gConnection, 0, gRoot,
                     XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                     reinterpret_cast<const char*>(&event));
    } else {
      xcb_map_window(gConnection, gWindow);
    }
    roundTrip();
    say("%s done", line.c_str());
  } else if (line.rfind("second ", 0) == 0 || line == "second") {
    makeSecond(arg(7));
  } else if (line.rfind("title2 ", 0) == 0) {
    setTitle(arg(7), gSecond);
    roundTrip();
    say("titled2 %s", arg(7).c_str());
  } else if (line == "end-second") {
    xcb_destroy_window(gConnection, gSecond);
    roundTrip();
    say("end-second done");
  } else if (line.rfind("busy ", 0) == 0) {
    say("busy");
    usleep(static_cast<useconds_t>(std::atoi(arg(5).c_str())) * 1000u);
    say("busy done");
  } else if (line == "display off" || line == "display on") {
    static const std::string display = std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "";
    if (line == "display off") {
      unsetenv("DISPLAY");
    } else {
      setenv("DISPLAY", display.c_str(), 1);
    }
    say("%s done", line.c_str());
  } else if (line.rfind("keycode ", 0) == 0) {
    keycode(arg(8));
  } else if (line.rfind("grab-button ", 0) == 0) {
    grabButton(arg(12));
  } else if (line.rfind("ping ", 0) == 0) {
    roundTrip();
    return false;  // answered after the events that the round trip brought in
  } else if (line == "quit") {
    return true;
  } else {
    say("unknown command %s", line.c_str());
  }
  return false;
}

void printEvent(const xcb_generic_event_t& event) {
  switch (event.response_type & 0x7f) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
      const auto& b = reinterpret_cast<const xcb_button_press_event_t&>(event);
      say("button %s %u state=0x%x", (event.response_type & 0x7f) == XCB_BUTTON_PRESS ? "press" : "release",
          b.detail, b.state);
      break;
    }
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
      const auto& k = reinterpret_cast<const xcb_key_press_event_t&>(event);
      say("key %s %u state=0x%x", (event.response_type & 0x7f) == XCB_KEY_PRESS ? "press" : "release", k.detail,
          k.state);
      break;
    }
    case XCB_CLIENT_MESSAGE: {
      const auto& m = reinterpret_cast<const xcb_client_message_event_t&>(event);
      if (m.type == gHookAtom) {
        say("%s message=0x%x x=%d y=%d format=%u", m.window == gSecond ? "hook2" : "hook", m.data.data32[0],
            static_cast<int>(m.data.data32[1]), static_cast<int>(m.data.data32[2]), m.format);
      }
      break;
    }
    case XCB_FOCUS_IN:
      say("focus in");
      break;
    case XCB_FOCUS_OUT:
      // Grabs of the keyboard move no focus: only a real change counts.
      if (reinterpret_cast<const xcb_focus_out_event_t&>(event).mode == XCB_NOTIFY_MODE_NORMAL) say("focus out");
      break;
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && !(argc == 5 && std::strcmp(argv[4], "hidden") == 0)) {
    std::fprintf(stderr, "usage: hook_probe TITLE X Y [hidden]\n");
    return 2;
  }
  const std::string title = argv[1];
  int screenNumber = 0;
  gConnection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(gConnection) != 0) {
    std::fprintf(stderr, "hook_probe: no display\n");
    return 1;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(gConnection));
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
  const xcb_screen_t* screen = screens.data;
  gRoot = screen->root;
  gHookAtom = atom("_FORMIX_HOOK");

  const xcb_window_t window = gWindow = xcb_generate_id(gConnection);
  const std::uint32_t values[] = {screen->white_pixel,
                                  XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                      XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                      XCB_EVENT_MASK_FOCUS_CHANGE};
  xcb_create_window(gConnection, XCB_COPY_FROM_PARENT, window, gRoot, static_cast<std::int16_t>(std::atoi(argv[2])),
                    static_cast<std::int16_t>(std::atoi(argv[3])), 200, 150, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  if (!title.empty()) setTitle(title);
  if (argc == 4) xcb_map_window(gConnection, window);
  roundTrip();
  say("window %u", window);
  say("ready");

  pollfd fds[2] = {{0, POLLIN, 0}, {xcb_get_file_descriptor(gConnection), POLLIN, 0}};
  std::string input;
  bool quit = false;
  while (!quit) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(gConnection)) {
      printEvent(*event);
      std::free(event);
    }
    if (xcb_connection_has_error(gConnection) != 0) return 1;
    if (poll(fds, 2, -1) < 0) continue;
    if ((fds[0].revents & (POLLIN | POLLHUP)) == 0) continue;
    char buffer[512];
    const ssize_t n = read(0, buffer, sizeof buffer);
    if (n <= 0) break;
    input.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; !quit && (end = input.find('\n')) != std::string::npos;) {
      const std::string line = input.substr(0, end);
      input.erase(0, end + 1);
      const bool ping = line.rfind("ping ", 0) == 0;
      quit = run(line);
      if (ping) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(gConnection)) {
          printEvent(*event);
          std::free(event);
        }
        say("pong %s", line.substr(5).c_str());
      }
    }
  }
  if (gLibrary != nullptr) dlclose(gLibrary);  // the library's thread ends with it
  xcb_disconnect(gConnection);
  return 0;
}
