// The clipboard on X11, owned through a connection of its own: Formix holds the text and hands it
// to each program that asks (a paste on X11 is a conversation with the owner), so it knows when
// the program that got the paste key has fetched the text. CLIPBOARD holds the text; PRIMARY too
// when the paste key is one that pastes the selection.
#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>
#include <string_view>

#include "ports/desktop.h"

namespace formix::platform::x11 {

// Text with the line ends of X11 programs: CR LF and a lone CR become LF.
std::u16string unixLineEnds(std::u16string_view text);

class X11Clipboard : public ports::Clipboard {
 public:
  // Connects to $DISPLAY; without a display every call fails quietly.
  X11Clipboard();
  ~X11Clipboard() override;
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // The connection's socket: when it is readable, serve() answers what has come. -1 without one.
  int fd() const;
  // Answers every request that has come, without waiting for more. false once the connection is
  // gone (the display closed): nothing will come any more.
  bool serve();

  bool clear() override;
  bool setText(std::u16string_view text) override;
  // The text while Formix owns CLIPBOARD; nullopt when another program does.
  std::optional<std::u16string> text() override;
  bool setSelectionText(std::u16string_view text) override;
  void watchPaste(ports::WindowHandle target) override;
  bool pasteFetched() override { return !watching_ || fetched_; }

 private:
  struct Selection {
    xcb_atom_t atom = XCB_ATOM_NONE;
    bool owned = false;
    xcb_timestamp_t since = XCB_CURRENT_TIME;
    std::string utf8;
  };
  bool own(Selection& selection, std::u16string_view text);
  xcb_timestamp_t serverTime();
  void handle(xcb_generic_event_t* event);
  void answer(const xcb_selection_request_event_t& request);
  xcb_atom_t atom(std::string_view name);

  xcb_connection_t* c_ = nullptr;
  xcb_window_t window_ = XCB_NONE;
  uint32_t clientMask_ = 0;  // the bits of a resource id that tell its client
  Selection clipboard_, primary_;
  xcb_atom_t targets_ = XCB_ATOM_NONE, timestamp_ = XCB_ATOM_NONE, utf8_ = XCB_ATOM_NONE,
             textPlainUtf8_ = XCB_ATOM_NONE, text_ = XCB_ATOM_NONE, stamp_ = XCB_ATOM_NONE;
  bool watching_ = false, fetched_ = false;
  uint32_t watchedClient_ = 0;  // 0: any program
};

}  // namespace formix::platform::x11
