#include "platform/linux/trigger_channel.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>

#include <iostream>
#include <string_view>

namespace formix::platform {
namespace {

constexpr int kDeliveryMilliseconds = 5000;

}  // namespace

std::optional<int> runTriggerOption(int argc, char** argv) {
  if (argc < 2 || std::string_view(argv[1]) != "--trigger") return std::nullopt;
  if (argc != 3) {
    std::cerr << "formix: --trigger takes one name: " << triggers::kNamedTriggerForms << '\n';
    return 2;
  }
  const std::string name = argv[2];
  if (!triggers::parseNamedTrigger(name)) {
    std::cerr << "formix: unknown trigger '" << name << "': give " << triggers::kNamedTriggerForms << '\n';
    return 2;
  }
  // The toolkit's own warnings would blur the one line this invocation says.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int qtArgc = 1;
  QCoreApplication application(qtArgc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::cerr << "formix: cannot reach the session bus, so no running formix either\n";
    return 1;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kTriggerService, kTriggerPath, kTriggerInterface, "Trigger");
  call << QString::fromStdString(name);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kDeliveryMilliseconds);
  if (reply.type() == QDBusMessage::ReplyMessage) return 0;
  const QString error = reply.errorName();
  if (error == "org.freedesktop.DBus.Error.ServiceUnknown" || error == "org.freedesktop.DBus.Error.NameHasNoOwner") {
    std::cerr << "formix: formix is not running in this session: start it first\n";
  } else if (error == "org.freedesktop.DBus.Error.UnknownObject" || error == "org.freedesktop.DBus.Error.UnknownMethod") {
    std::cerr << "formix: formix is still starting: try again in a moment\n";
  } else {
    std::cerr << "formix: the running formix did not take the trigger: " << reply.errorMessage().toStdString() << '\n';
  }
  return 1;
}

TriggerService::~TriggerService() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (registered_) bus.unregisterObject(kTriggerPath);
  if (named_) bus.unregisterService(kTriggerService);
}

bool TriggerService::claimName(std::string* why) {
  if (named_) return true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    if (why) *why = "no session bus";
    return false;
  }
  // Not queued behind another owner: a second formix must learn at once that one runs.
  const auto answer = bus.interface()->registerService(kTriggerService, QDBusConnectionInterface::DontQueueService,
                                                       QDBusConnectionInterface::DontAllowReplacement);
  named_ = answer.isValid() && answer.value() == QDBusConnectionInterface::ServiceRegistered;
  taken_ = answer.isValid() && !named_;
  if (!named_ && why) *why = taken_ ? "another formix runs in this session" : "the bus did not answer";
  return named_;
}

bool TriggerService::start(std::string* why) {
  if (!claimName(why)) return false;
  registered_ = QDBusConnection::sessionBus().registerVirtualObject(kTriggerPath, this);
  if (!registered_ && why) *why = "the bus refused the object";
  return registered_;
}

bool TriggerService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  if (message.interface() != kTriggerInterface || message.member() != "Trigger" || message.signature() != "s") {
    return false;  // the bus answers an unknown method
  }
  const std::string name = message.arguments().value(0).toString().toStdString();
  const auto trigger = triggers::parseNamedTrigger(name);
  if (!trigger) {
    connection.send(message.createErrorReply("org.formix.Formix1.Error.UnknownTrigger",
                                             QString::fromStdString("unknown trigger '" + name + "'")));
    return true;
  }
  connection.send(message.createReply());
  // Run from the event loop, not inside the bus's delivery: a phrase waits for events itself.
  QTimer::singleShot(0, [run = run_, t = *trigger] { run(t); });
  return true;
}

QString TriggerService::introspect(const QString&) const {
  return QStringLiteral(
      "<interface name=\"org.formix.Formix1\">"
      "<method name=\"Trigger\"><arg name=\"name\" type=\"s\" direction=\"in\"/></method>"
      "</interface>");
}

}  // namespace formix::platform
