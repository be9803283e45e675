#include "platform/linux/qt_tray.h"

#include "app/main_window.h"
#include "platform/linux/pictures.h"
#include "text/utf.h"

namespace formix::platform::qt {
namespace {

constexpr int kLeftButtonUp = 514;
constexpr int kRightButtonUp = 517;

// The tip is a NUL-terminated text in a fixed field.
QString tipOf(const std::string& tip) { return QString::fromUtf8(tip.c_str()); }

}  // namespace

QtTray::QtTray(FormView& view, Screen& screen) : view_(view), screen_(screen) {
  QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
    int message = 0;
    if (reason == QSystemTrayIcon::Trigger) message = kLeftButtonUp;
    else if (reason == QSystemTrayIcon::Context) message = kRightButtonUp;
    if (message == 0) return;
    const double x = message * screen_.twipsPerPixelX();
    view_.callLater([this, x] {
      if (auto* program = view_.program()) program->mouseDown(program->frmMain, app::kMiddleButton, x, 0);
    });
  });
}

bool QtTray::notifyIcon(Operation operation, const TrayIconRecord& record) {
  switch (operation) {
    case kAdd:
    case kModify:
      icon_.setIcon(pictureIcon(record.icon));
      icon_.setToolTip(tipOf(record.tip));
      if (operation == kAdd) icon_.show();
      // Without a notification area the icon cannot be shown.
      return QSystemTrayIcon::isSystemTrayAvailable();
    case kDelete:
      icon_.hide();
      return true;
  }
  return false;
}

}  // namespace formix::platform::qt
