// Finding the main window, the top-level client window titled "Formix " that the hook's own
// program made, on an X display.
#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

namespace formix::hook::x11 {

struct TitleAtoms {
  xcb_atom_t netClientList = XCB_NONE;
  xcb_atom_t netWmName = XCB_NONE;
  xcb_atom_t utf8String = XCB_NONE;
};

// The window manager's client list of the root first. When it does not hold the window (no
// window manager, or the window is withdrawn, as when hidden to the tray), the window tree is
// walked: the root's children, and below windows without a title (window-manager frames) down
// to a few levels. Returns XCB_NONE when there is no such window.
//
// Any client may title a window "Formix ": only one whose maker is `ownProcess`, as the server
// knows the process (client_process.h), counts. `ownProcess` 0 means the server cannot tell
// (no X-Resource, or a display reached over the network): the first window of that title counts.
xcb_window_t findMainWindow(xcb_connection_t* connection, xcb_window_t root, const TitleAtoms& atoms,
                            pid_t ownProcess);

}  // namespace formix::hook::x11
