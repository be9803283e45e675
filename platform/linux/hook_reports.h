// What the hook library reports to the main window: a client message of type _FORMIX_HOOK sent to
// the window titled "Formix ", holding the message (a left-button-up), x (the trigger code) and
// y, as the Windows library posts them. It reaches Form_MouseUp with x and y in twips.
#pragma once

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include "platform/linux/qt_view.h"

namespace formix::platform::qt {

class HookReports : public QAbstractNativeEventFilter {
 public:
  HookReports(FormView& view, Screen& screen, xcb_atom_t reportType)
      : view_(view), screen_(screen), reportType_(reportType) {}
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  FormView& view_;
  Screen& screen_;
  xcb_atom_t reportType_;
};

}  // namespace formix::platform::qt
