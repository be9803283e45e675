// `formix --trigger NAME`: a second invocation hands a trigger to the formix that runs in this
// login session, over the session's D-Bus, the one channel every desktop session has. The
// running formix owns a well-known name on that bus and answers a call as soon as the trigger
// is queued, so the invocation ends when the request was delivered, not when it was done.
#pragma once

#include <QDBusVirtualObject>

#include <functional>
#include <optional>
#include <string>

#include "triggers/named_trigger.h"

namespace formix::platform {

inline constexpr const char* kTriggerService = "org.formix.Formix1";
inline constexpr const char* kTriggerPath = "/org/formix/Formix1";
inline constexpr const char* kTriggerInterface = "org.formix.Formix1";

// The exit status of `formix --trigger NAME` when argv asks for it (after one clear line on
// stderr for anything that went wrong), or nullopt when argv does not start with --trigger.
std::optional<int> runTriggerOption(int argc, char** argv);

// The running formix's end: the name on the session bus, and the object that takes the calls.
class TriggerService : public QDBusVirtualObject {
 public:
  explicit TriggerService(std::function<void(const triggers::NamedTrigger&)> run) : run_(std::move(run)) {}
  ~TriggerService() override;
  // Takes the well-known name; false (and why) when there is no session bus or another
  // process holds the name.
  bool claimName(std::string* why);
  // Whether the last claimName() found the name held by another process.
  bool nameTakenByAnother() const { return taken_; }
  // Starts taking calls; false (and why) when the object cannot be registered.
  bool start(std::string* why);

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

 private:
  std::function<void(const triggers::NamedTrigger&)> run_;
  bool named_ = false, registered_ = false, taken_ = false;
};

}  // namespace formix::platform
