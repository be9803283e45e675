#include "platform/wayland/clipboard_thread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "platform/wayland/data_control_clipboard.h"
#include "platform/wayland/wayland_session.h"

namespace formix::platform::wayland {

ClipboardThread::ClipboardThread() {
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  thread_ = std::thread([this] { loop(); });
  // The connection and the device are made on the thread, as everything that uses them.
  run([this] {
    session_ = std::make_unique<WaylandSession>();
    if (session_->connected()) clipboard_ = std::make_unique<DataControlClipboard>(*session_);
  });
}

ClipboardThread::~ClipboardThread() {
  if (thread_.joinable()) {
    run([this] {
      clipboard_.reset();
      session_.reset();
    });
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    [[maybe_unused]] const ssize_t n = write(wake_[1], "x", 1);
    thread_.join();
  }
  for (int fd : wake_) {
    if (fd >= 0) close(fd);
  }
}

void ClipboardThread::run(const std::function<void()>& job) {
  if (!thread_.joinable()) return;
  std::function<void()> pending = job;
  std::unique_lock lock(mutex_);
  jobs_.push_back(&pending);
  [[maybe_unused]] const ssize_t n = write(wake_[1], "x", 1);
  done_.wait(lock, [&] { return std::find(jobs_.begin(), jobs_.end(), &pending) == jobs_.end(); });
}

void ClipboardThread::loop() {
  bool connectionBroken = false;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      while (!jobs_.empty()) {
        std::function<void()>* job = jobs_.front();
        lock.unlock();
        (*job)();
        lock.lock();
        jobs_.pop_front();
        done_.notify_all();
      }
      if (stopping_) return;
    }
    if (session_ && session_->connected()) session_->flush();
    const int display = session_ && session_->connected() && !connectionBroken ? session_->fd() : -1;
    pollfd ready[2] = {{wake_[0], POLLIN, 0}, {display, POLLIN, 0}};
    if (poll(ready, display >= 0 ? 2 : 1, -1) < 0) continue;
    if (ready[0].revents != 0) {
      char drained[64];
      while (read(wake_[0], drained, sizeof drained) > 0) {
      }
    }
    // Requests for the text are answered here, as they come.
    if (display >= 0 && ready[1].revents != 0 && !session_->dispatch()) connectionBroken = true;
  }
}

bool ClipboardThread::available() {
  bool result = false;
  run([&] { result = clipboard_ && clipboard_->available(); });
  return result;
}

bool ClipboardThread::setText(const std::string& utf8) {
  bool result = false;
  run([&] { result = clipboard_ && clipboard_->setText(utf8); });
  return result;
}

bool ClipboardThread::setPrimaryText(const std::string& utf8) {
  bool result = false;
  run([&] { result = clipboard_ && clipboard_->setPrimaryText(utf8); });
  return result;
}

bool ClipboardThread::clear() {
  bool result = false;
  run([&] { result = clipboard_ && clipboard_->clear(); });
  return result;
}

std::optional<std::string> ClipboardThread::text() {
  std::optional<std::string> result;
  run([&] {
    if (clipboard_) result = clipboard_->text();
  });
  return result;
}

void ClipboardThread::watchFetch() {
  run([&] {
    if (clipboard_) clipboard_->watchFetch();
  });
}

bool ClipboardThread::fetched() {
  bool result = true;
  run([&] { result = !clipboard_ || clipboard_->fetched(); });
  return result;
}

}  // namespace formix::platform::wayland
