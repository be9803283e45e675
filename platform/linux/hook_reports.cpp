#include "platform/linux/hook_reports.h"

#include "app/main_window.h"
#include "triggers/trigger_codes.h"

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
  // The code is a signed 32-bit value, as the x of a posted mouse message.
  const auto code = static_cast<std::int32_t>(client->data.data32[1]);
  if (!accepts_ || !accepts_(key, code)) return true;
  const triggers::Trigger trigger = triggers::triggerOfCode(code);
  view_.callLater([this, trigger] {
    if (auto* program = view_.program()) program->hookTriggered(trigger);
  });
  return true;
}

}  // namespace formix::platform::qt
