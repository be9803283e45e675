// The fact browsers of the desktop: today's browsers, reached through the browser extension.
//
// A window counts as a browser when it is a connected browser's focused window. Each lookup asks
// every connected browser for its focused window ("focus"), with its active tab's title and its
// bounds. Which desktop window shows it is found without touching the page: the browser started
// the relay, so the relay's ancestors (its process id comes with its connection) lead to the
// nearest process that owns desktop windows (WindowSystem::windowProcess); among that browser's
// visible windows the one whose title starts with the tab's title is it, and of several such the
// one whose bounds are nearest, then the front-most. A desktop that does not name windows'
// processes (or a browser in a sandbox of its own) falls back to a marker where the browser has a
// place for one outside the page (Firefox's title preface): "[formix:" + 16 random hexadecimal
// digits + "]" and a blank in front of the window's title; Formix walks the desktop's windows
// until a title shows it, and has it taken off again. Either way the match is remembered for as
// long as the browser stays connected. Only a browser's focused window is listed, so with two
// browser windows open only the one in front is a browser for the fill. Two browsers that lead to
// one desktop window (two profiles of one browser) are told apart by their word about the focus.
//
// A desktop without windows' processes or stacking order (Wayland) tells only which window has the
// keyboard focus: there the browser that says its window has the focus is that window. Two
// browsers that both say so are refused (onTwoFocused); none means the program in front is no
// browser, unless Formix's own window has the focus (the bar was clicked): then the browser whose
// window lost the focus last, when Formix's window took it, is the window focused before Formix's.
//
// The page is read as the facts of its controls (pageFacts) and filled control by control
// (applyFills); it has no HTML to read or write, so no fill of a page of today's browsers bypasses
// the recogniser. The extension remembers what a fill changed in each tab, so the last fill of the
// page in front can be undone (undoLastFill) for as long as that page stays. Calls block the calling thread
// until the browser answers or a short time has passed; a browser that does not answer is no
// browser, and nothing changes.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bridge/bridge_server.h"
#include "ports/browsers.h"
#include "ports/desktop.h"

namespace formix::bridge {

// What Formix tells the user, once, when a fill finds no browser extension connected.
inline constexpr std::u16string_view kNotConnectedMessage = u"ブラウザー拡張機能が接続されていません。";
// What Formix tells the user when, on a desktop where only the browsers' own word tells which
// window is in front, two browsers both say their window has the keyboard focus.
inline constexpr std::u16string_view kTwoFocusedMessage =
    u"2つのブラウザーがどちらも前面にあると答えたため、入力しませんでした。"
    u"入力するブラウザーのウィンドウをクリックしてから、もう一度お試しください。";

class BridgeBrowsers : public ports::FactBrowsers {
 public:
  struct Options {
    std::chrono::milliseconds requestTimeout{1500};  // one request to a browser
    std::chrono::milliseconds markerTimeout{600};    // for a marker to reach the window's title
    std::chrono::milliseconds pollInterval{4};       // between two walks of the windows
    // The parent of a process (tests put a process tree of their own here).
    std::function<int64_t(int64_t)> parentProcess;
  };

  BridgeBrowsers(BridgeServer& server, ports::WindowSystem& windows);
  BridgeBrowsers(BridgeServer& server, ports::WindowSystem& windows, Options options);

  // Called (on the calling thread) the first time a lookup finds no browser connected, and again
  // only after a browser has connected since.
  std::function<void()> onNotConnected;
  // Set on a desktop that tells neither the stacking order nor which process owns a window, only
  // which window has the keyboard focus (Wayland): that window (0 when none) and when it got the
  // focus (milliseconds since 1970, the browsers' clock; 0 when unknown). There a browser's
  // focused window is the desktop's focused window when the browser says it has the focus.
  struct FocusedWindow {
    ports::WindowHandle window = 0;
    int64_t since = 0;
    // The window is one whose process and title the desktop can read (an X11 window under
    // XWayland): it is matched as on X11, and unless it is formix's own, a browser that says it
    // lacks the focus is passed over (a Wayland browser's word may lag behind).
    bool desktopMatches = false;
  };
  std::function<FocusedWindow()> focusedWindow;
  // Called (on the calling thread) when a lookup by focus finds two browsers that both say they
  // have the focus: nothing is filled then.
  std::function<void()> onTwoFocused;

  std::vector<ports::WindowHandle> browserWindows() override;
  std::optional<fill::PageFacts> pageFacts(ports::WindowHandle browser) override;
  std::optional<int> applyFills(ports::WindowHandle browser, const std::vector<fill::ControlFill>& fills) override;
  std::optional<int> undoLastFill(ports::WindowHandle browser) override;

  // What the last fill did: fills sent, applied and skipped by the page (for tests and
  // measurements).
  struct LastApply {
    int sent = 0, applied = 0, skipped = 0;
  };
  LastApply lastApply() const { return lastApply_; }
  // What the last undo did: controls put back, and controls left because they changed since.
  struct LastUndo {
    int applied = 0, skipped = 0;
  };
  LastUndo lastUndo() const { return lastUndo_; }

 private:
  struct Match {
    ports::WindowHandle window = 0;
    ConnectionId connection = 0;
    int64_t browserWindow = 0;
  };
  const Match* matchOf(ports::WindowHandle window) const;
  void matchByFocus(const std::vector<ConnectionId>& browsers, const std::vector<std::optional<Incoming>>& focused,
                    const FocusedWindow& now);
  bool ownWindow(ports::WindowHandle window);
  void keepOneMatchPerWindow(const std::vector<ConnectionId>& browsers, const std::vector<std::optional<Incoming>>& focused);
  std::u16string newMarker();
  ports::WindowHandle windowOfProcess(ConnectionId connection, const Focused& focused);

  BridgeServer& server_;
  ports::WindowSystem& windows_;
  Options options_;
  std::mt19937_64 random_;
  bool told_ = false;

  // The state of one lookup and the fill that follows it.
  std::vector<Match> matches_;
  // Desktop windows found by their marker before. A browser window keeps its desktop window for
  // as long as it lives, so its next lookup needs no marker.
  struct Known {
    ConnectionId connection = 0;
    int64_t browserWindow = 0;
    ports::WindowHandle window = 0;
  };
  std::vector<Known> known_;
  // The facts read last, to be filled.
  std::optional<uint64_t> factsRead_;
  ConnectionId factsConnection_ = 0;
  LastApply lastApply_;
  LastUndo lastUndo_;
};

}  // namespace formix::bridge
