// The ports the Linux desktop serves through Qt: the screen, the clipboard, the event loop and its
// timer, message boxes, and the local clock. Browsers have their own implementation.
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

// CLIPBOARD owned with UTF-8 text and served while the event loop runs.
class QtClipboard : public Clipboard {
 public:
  bool clear() override;
  bool setText(std::u16string_view text) override;
  std::optional<std::u16string> text() override;
};

class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  void doEvents() override;
  void setTimer(int milliseconds, std::function<void()> tick) override;

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
