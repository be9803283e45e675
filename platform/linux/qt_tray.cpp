#include "platform/linux/qt_tray.h"

#include <cmath>

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

QtTray::QtTray(FormView& view, ports::Screen& screen) : view_(view), screen_(screen) {
  QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) report(kLeftButtonUp);
    else if (reason == QSystemTrayIcon::Context) report(kRightButtonUp);
  });
}

void QtTray::report(int message) {
  // The model reads the message back by dividing by the whole number of twips per pixel.
  const double x = message * std::round(screen_.twipsPerPixelX());
  view_.callLater([this, x] {
    if (auto* program = view_.program()) program->mouseDown(program->frmMain, app::kMiddleButton, x, 0);
  });
}

bool QtTray::notifyIcon(Operation operation, const ports::TrayIconRecord& record) {
  switch (operation) {
    case kAdd:
    case kModify:
      icon_.setIcon(pictureIcon(record.icon));
      icon_.setToolTip(tipOf(record.tip));
      if (operation == kAdd) icon_.show();
      if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // A desktop without a notification area (GNOME without an extension, say) could never
        // bring the hidden window back: the icon counts as clicked at once, so the window stays.
        if (operation == kAdd) report(kLeftButtonUp);
        return false;
      }
      return true;
    case kDelete:
      icon_.hide();
      return true;
  }
  return false;
}

}  // namespace formix::platform::qt
