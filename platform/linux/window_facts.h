// What the window model asks of a top-level window (visible, has a caption bar, always on top),
// decided from the EWMH and Motif facts an X11 window carries. Pure, so every rule is tested
// without a display.
#pragma once

#include <cstdint>
#include <vector>

namespace formix::platform::x11 {

// The window type that matters here; a window without _NET_WM_WINDOW_TYPE is Normal (or Dialog
// when transient), as window managers treat it.
enum class WindowType { Normal, Dialog, Other };

struct WindowFacts {
  bool mapped = false;       // map state viewable
  bool hidden = false;       // _NET_WM_STATE_HIDDEN (minimised, or on another desktop)
  bool above = false;        // _NET_WM_STATE_ABOVE
  WindowType type = WindowType::Normal;
  std::vector<uint32_t> motifHints;  // _MOTIF_WM_HINTS: flags, functions, decorations, ...
  bool drawsOwnFrame = false;        // _GTK_FRAME_EXTENTS: client-side decorations
};

// Whether _MOTIF_WM_HINTS leave the title bar on.
constexpr bool motifKeepsTitle(const std::vector<uint32_t>& hints) {
  constexpr uint32_t kDecorationsGiven = 1u << 1, kDecorAll = 1u << 0, kDecorTitle = 1u << 3;
  if (hints.size() < 3 || (hints[0] & kDecorationsGiven) == 0) return true;
  const uint32_t decorations = hints[2];
  // "All" turns the listed decorations off instead of on.
  return (decorations & kDecorAll) != 0 ? (decorations & kDecorTitle) == 0 : (decorations & kDecorTitle) != 0;
}

constexpr bool isVisible(const WindowFacts& w) { return w.mapped && !w.hidden; }

// A normal or dialog window with a title bar: what the model calls a window with a caption.
// Chromium, Firefox and GTK programs draw their title bar themselves and tell the window manager
// to leave them undecorated; they still have one, and they are the windows people type into.
constexpr bool hasCaption(const WindowFacts& w) {
  return w.type != WindowType::Other && (motifKeepsTitle(w.motifHints) || w.drawsOwnFrame);
}

}  // namespace formix::platform::x11
