// The notification-area icon through QSystemTrayIcon. A left or right release over the icon
// reaches the model as the shell reports it on Windows: a middle-button press on the main window
// whose x is the mouse message (514 or 517) times TwipsPerPixelX.
#pragma once

#include <QSystemTrayIcon>

#include "platform/desktop.h"
#include "platform/linux/qt_view.h"

namespace formix::platform::qt {

class QtTray : public NotificationArea {
 public:
  QtTray(FormView& view, Screen& screen);
  bool notifyIcon(Operation operation, const TrayIconRecord& record) override;

 private:
  // A mouse message over the icon, as the model hears it.
  void report(int message);

  FormView& view_;
  Screen& screen_;
  QSystemTrayIcon icon_;
};

}  // namespace formix::platform::qt
