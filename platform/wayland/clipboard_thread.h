// The clipboard through data control, on a connection and a thread of its own. Programs ask for
// the text whenever they paste, and formix's own window may be one of them: its toolkit then
// waits for the text on the main thread, so the text must be served elsewhere. Every call
// below runs on the clipboard's thread and returns its result.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace formix::platform::wayland {

class WaylandSession;
class DataControlClipboard;

class ClipboardThread {
 public:
  // Connects to $WAYLAND_DISPLAY and starts the thread.
  ClipboardThread();
  ~ClipboardThread();
  ClipboardThread(const ClipboardThread&) = delete;
  ClipboardThread& operator=(const ClipboardThread&) = delete;

  bool available();
  bool setText(const std::string& utf8);
  bool setPrimaryText(const std::string& utf8);
  bool clear();
  std::optional<std::string> text();
  void watchFetch();
  bool fetched();

 private:
  // Runs `job` on the thread and waits until it is done.
  void run(const std::function<void()>& job);
  void loop();

  std::unique_ptr<WaylandSession> session_;  // both used on the thread only
  std::unique_ptr<DataControlClipboard> clipboard_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>*> jobs_;
  bool stopping_ = false;
  int wake_[2] = {-1, -1};
  std::thread thread_;
};

}  // namespace formix::platform::wayland
