// Finding the main window, the top-level client window titled "Formix ", on an X display.
#pragma once

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
xcb_window_t findMainWindow(xcb_connection_t* connection, xcb_window_t root, const TitleAtoms& atoms);

}  // namespace formix::hook::x11
