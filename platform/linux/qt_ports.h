// The ports the Linux desktop serves through Qt: the screen, the event loop and its timer, message
// boxes, and the local clock. The clipboard (x11_clipboard) and browsers have their own.
#pragma once

#include <QTimer>

#include <functional>

#include "platform/desktop.h"

namespace formix::platform::qt {

// The primary screen; TwipsPerPixel = 1440 / its logical resolution (15 at 96 dots per inch).
class QtScreen : public Screen {
 public:
  double widthTwips() override;
  double heightTwips() override;
  double twipsPerPixelX() override;
  double twipsPerPixelY() override;
};

class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  void doEvents() override;
  void setTimer(int milliseconds, std::function<void()> tick) override;
  void runEventsUntil(const std::function<bool()>& done, int milliseconds) override;

 private:
  QTimer timer_;
  std::function<void()> tick_;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void showMessage(std::u16string_view text, std::u16string_view title, int flags) override;
};

// A message that does not wait for an answer: shown, and the program goes on.
void showNotice(std::u16string_view text);

class LocalClock : public Clock {
 public:
  LocalDateTime now() override;
};

// A desktop where no browser page can be reached.
class NoBrowsers : public BrowserDocuments {
 public:
  std::vector<WindowHandle> browserWindows() override { return {}; }
  std::optional<int> frameCount(WindowHandle) override { return std::nullopt; }
  std::optional<std::u16string> bodyHtml(WindowHandle, int) override { return std::nullopt; }
  bool setBodyHtml(WindowHandle, int, std::u16string_view) override { return false; }
};

QString toQString(std::u16string_view text);
std::u16string fromQString(const QString& text);

}  // namespace formix::platform::qt
