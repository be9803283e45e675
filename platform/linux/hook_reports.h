// What the hook library reports to the main window: a client message of type _FORMIX_HOOK sent to
// the window titled "Formix ", holding the message (a left-button-up), x (the trigger code) and
// y, as the Windows library posts them, and the library's report key. Its code reaches the model
// as the trigger it stands for.
#pragma once

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>

#include "platform/linux/qt_view.h"

namespace formix::platform::qt {

class HookReports : public QAbstractNativeEventFilter {
 public:
  // `accepts` says whether a report's key (data32[3] low, data32[4] high) and trigger code can come
  // from the hook library of this run: any client of the display can send the window this message.
  using Check = std::function<bool(std::uint64_t key, std::int32_t code)>;
  HookReports(FormView& view, xcb_atom_t reportType, Check accepts)
      : view_(view), reportType_(reportType), accepts_(std::move(accepts)) {}
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  FormView& view_;
  xcb_atom_t reportType_;
  Check accepts_;
};

}  // namespace formix::platform::qt
