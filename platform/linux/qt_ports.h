// The ports the Linux desktop serves through Qt: the screen, the event loop and its timer, message
// boxes, and the local clock. The clipboard (x11_clipboard) and browsers have their own.
#pragma once

#include <QTimer>

#include <functional>

#include "ports/desktop.h"

namespace formix::platform::qt {

// The primary screen; TwipsPerPixel = 1440 / its logical resolution (15 at 96 dots per inch).
class QtScreen : public ports::Screen {
 public:
  double widthTwips() override;
  double heightTwips() override;
  double twipsPerPixelX() override;
  double twipsPerPixelY() override;
};

class QtEventLoop : public ports::EventLoop {
 public:
  QtEventLoop();
  void doEvents() override;
  void setTimer(int milliseconds, std::function<void()> tick) override;
  void runEventsUntil(const std::function<bool()>& done, int milliseconds) override;

 private:
  QTimer timer_;
  std::function<void()> tick_;
};

class QtMessageBoxes : public ports::MessageBoxes {
 public:
  void showMessage(std::u16string_view text, std::u16string_view title, int flags) override;
};

// A message that does not wait for an answer: shown, and the program goes on.
void showNotice(std::u16string_view text);

class LocalClock : public ports::Clock {
 public:
  ports::LocalDateTime now() override;
};

QString toQString(std::u16string_view text);
std::u16string fromQString(const QString& text);

}  // namespace formix::platform::qt
