// The notification-area icon through QSystemTrayIcon. A left or right release over the icon
// reaches the model as the shell reports it on Windows: a middle-button press on the main window
// whose x is the mouse message (514 or 517) times TwipsPerPixelX.
#pragma once

#include <QSystemTrayIcon>

#include "ports/desktop.h"
#include "platform/linux/qt_view.h"

namespace formix::platform::qt {

class QtTray : public ports::NotificationArea {
 public:
  QtTray(FormView& view, ports::Screen& screen);
  bool notifyIcon(Operation operation, const ports::TrayIconRecord& record) override;

 private:
  // A mouse message over the icon, as the model hears it.
  void report(int message);

  FormView& view_;
  ports::Screen& screen_;
  QSystemTrayIcon icon_;
};

}  // namespace formix::platform::qt
