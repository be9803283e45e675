#include "platform/linux/hook_reports.h"

#include "app/main_window.h"

namespace formix::platform::qt {
namespace {

constexpr uint32_t kLeftButtonUp = 0x202;

}  // namespace

bool HookReports::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  if (client->type != reportType_ || client->format != 32 || client->window != view_.handle()) return false;
  if (client->data.data32[0] != kLeftButtonUp || client->data.data32[2] != 0) return true;
  const std::uint64_t key = client->data.data32[3] | (static_cast<std::uint64_t>(client->data.data32[4]) << 32);
  if (!accepts_ || !accepts_(key, static_cast<std::int32_t>(client->data.data32[1]))) return true;
  // The numbers are signed 32-bit values, as the coordinates of a posted mouse message.
  // Pixels become twips in single precision, as the window's own coordinates are: the model
  // recognises a code by exactly that product.
  const auto twips = [](uint32_t pixels, double perPixel) {
    return static_cast<double>(static_cast<float>(static_cast<int32_t>(pixels)) * static_cast<float>(perPixel));
  };
  const double x = twips(client->data.data32[1], screen_.twipsPerPixelX());
  const double y = twips(client->data.data32[2], screen_.twipsPerPixelY());
  view_.callLater([this, x, y] {
    if (auto* program = view_.program()) program->mouseUp(program->frmMain, app::kLeftButton, x, y);
  });
  return true;
}

}  // namespace formix::platform::qt
