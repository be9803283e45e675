// The hook's watch of the display: its own X connection and thread, the passive grabs that the
// modes ask for, and the judgement and report of every grabbed gesture.
//
// Every grab is asynchronous for pointer and keyboard alike: the server never waits for this
// client, so the desktop keeps working while the program is stopped, busy or gone. The price is
// that X cannot hand a grabbed event back: a grabbed gesture that the rules let pass is dropped.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "hook/shared_state.h"
#include "hook/x11/grab_plan.h"
#include "hook/x11/main_window.h"
#include "hook/x11/x11_environment.h"

namespace formix::hook::x11 {

// A random value made once per process, carried by every report (data32[3] low half, data32[4]
// high half) so that the main program can tell the library's reports from a message that any
// other client of the display may send to its window.
std::uint64_t reportKey() noexcept;

class DisplayWatcher final : public TriggerTarget {
 public:
  // Opens the default display, takes the grabs for the current modes and starts the thread;
  // null when the display cannot be opened.
  static std::unique_ptr<DisplayWatcher> open(SharedState& shared) noexcept;
  // Stops the thread, releases every grab (and an active grab of this client) and closes.
  ~DisplayWatcher() override;

  DisplayWatcher(const DisplayWatcher&) = delete;
  DisplayWatcher& operator=(const DisplayWatcher&) = delete;

  // Brings the grabs in line with the modes at once (a mode export of this process). Modes that
  // another process writes are picked up by the thread within kModeCheckMs.
  void modesChanged() noexcept;
  // The hook procedure over this display, for the FmxHook export.
  std::intptr_t judge(int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept;

  WindowRef mainWindow() noexcept override { return mainWindow_; }
  void activate(WindowRef window, std::uint32_t time) noexcept override;
  void report(WindowRef window, std::uint32_t message, ClientPoint point) noexcept override;

  static constexpr int kModeCheckMs = 100;

 private:
  DisplayWatcher(xcb_connection_t* connection, xcb_window_t root, SharedState& shared) noexcept;
  bool setUp() noexcept;
  void run() noexcept;
  void wake() noexcept;
  // Each of these runs with mutex_ held.
  bool handleEvents(bool readSocket);
  void handle(const xcb_generic_event_t& event);
  void handleInput(std::uint8_t type, std::uint8_t detail, std::uint16_t state, std::uint32_t time);
  std::intptr_t judgeLocked(int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept;
  void refresh();
  void loadKeyboard();
  void applyGrabs(const GrabChange& change);
  void releaseEverything();

  xcb_connection_t* connection_;
  xcb_window_t root_;
  SharedState& shared_;
  xcb_key_symbols_t* symbols_ = nullptr;
  TitleAtoms titleAtoms_;
  xcb_atom_t netActiveWindow_ = XCB_NONE;
  xcb_atom_t formixHook_ = XCB_NONE;
  pid_t ownProcess_ = 0;  // this process as the server knows it; 0 when it cannot tell

  std::mutex mutex_;
  xcb_window_t mainWindow_ = XCB_NONE;
  bool mainWindowStale_ = true;
  bool keyboardStale_ = true;
  std::vector<std::uint8_t> superKeys_;
  LockMasks locks_;
  RepeatFilter repeats_;
  std::int32_t seenMouseMode_ = -1;
  std::int32_t seenKeyMode_ = -1;
  std::vector<Grab> held_;
  std::set<std::pair<Grab::Kind, std::uint8_t>> conflictsSaid_;
  bool lostSaid_ = false;

  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace formix::hook::x11
