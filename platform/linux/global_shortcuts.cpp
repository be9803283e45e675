#include "platform/linux/global_shortcuts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace formix::platform {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequest = "org.freedesktop.portal.Request";

QDBusMessage portalCall(const char* method, const QVariantList& arguments) {
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInterface, method);
  call.setArguments(arguments);
  return call;
}

}  // namespace

GlobalShortcuts::GlobalShortcuts(Pressed pressed, Bound bound, Unavailable unavailable)
    : pressed_(std::move(pressed)), bound_(std::move(bound)), unavailable_(std::move(unavailable)) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
}

QString GlobalShortcuts::requestPath(const QString& token) const {
  // The portal names a request after its caller's unique name, without the colon, dots as "_".
  QString sender = QDBusConnection::sessionBus().baseService().mid(1);
  sender.replace('.', '_');
  return QString(kPortalPath) + "/request/" + sender + "/" + token;
}

void GlobalShortcuts::start(const std::vector<GestureShortcut>& shortcuts) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return fail("there is no session bus");
  for (const GestureShortcut& s : shortcuts) {
    shortcuts_.push_back({QString::fromStdString(s.id),
                          {{"description", QString::fromStdString(s.description)},
                           {"preferred_trigger", QString::fromStdString(s.preferredTrigger)}}});
  }
  // Whether the portal runs and has global shortcuts at all: it says its version of them.
  QDBusMessage version = QDBusMessage::createMethodCall(kPortal, kPortalPath, "org.freedesktop.DBus.Properties", "Get");
  version.setArguments({QString(kInterface), QString("version")});
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(version), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    if (call->isError()) return fail(call->error().message().toStdString());
    QDBusConnection session = QDBusConnection::sessionBus();
    const QString token = "formix_create";
    session.connect(kPortal, requestPath(token), kRequest, "Response", this, SLOT(created(uint, QVariantMap)));
    session.connect(kPortal, kPortalPath, kInterface, "Activated", this,
                    SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QVariantMap options{{"handle_token", token},
                              {"session_handle_token", QString("formix")},
                              {"shortcuts", QVariant::fromValue(shortcuts_)}};
    auto* creating = new QDBusPendingCallWatcher(session.asyncCall(portalCall("CreateSession", {options})), this);
    connect(creating, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* reply) {
      reply->deleteLater();
      if (reply->isError()) fail(reply->error().message().toStdString());
    });
  });
}

void GlobalShortcuts::created(uint response, const QVariantMap& results) {
  if (response != 0) return fail("the portal refused the session");
  session_ = results.value("session_handle").toString();
  if (session_.isEmpty()) return fail("the portal named no session");
  // Plasma 5.27 answers with the shortcuts it registered; a later portal binds them on request.
  QList<PortalShortcut> registered;
  if (results.contains("shortcuts")) results.value("shortcuts").value<QDBusArgument>() >> registered;
  if (!registered.isEmpty()) return report(results);
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString token = "formix_bind";
  bus.connect(kPortal, requestPath(token), kRequest, "Response", this, SLOT(boundLater(uint, QVariantMap)));
  const QVariantMap options{{"handle_token", token}};
  auto* binding = new QDBusPendingCallWatcher(
      bus.asyncCall(portalCall("BindShortcuts", {QVariant::fromValue(QDBusObjectPath(session_)),
                                                 QVariant::fromValue(shortcuts_), QString(), options})),
      this);
  connect(binding, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* reply) {
    reply->deleteLater();
    if (reply->isError()) fail(reply->error().message().toStdString());
  });
}

void GlobalShortcuts::boundLater(uint response, const QVariantMap& results) {
  if (response != 0) return fail("the shortcuts were not bound");
  report(results);
}

void GlobalShortcuts::report(const QVariantMap& results) {
  QList<PortalShortcut> registered;
  if (results.contains("shortcuts")) results.value("shortcuts").value<QDBusArgument>() >> registered;
  std::vector<std::pair<std::string, std::string>> keys;
  for (const PortalShortcut& s : registered) {
    keys.emplace_back(s.id.toStdString(), s.properties.value("trigger_description").toString().toStdString());
  }
  answered_ = true;
  if (bound_) bound_(keys);
}

void GlobalShortcuts::fail(const std::string& why) {
  if (answered_) return;
  answered_ = true;
  if (unavailable_) unavailable_(why);
}

void GlobalShortcuts::activated(const QDBusObjectPath& session, const QString& id, qulonglong, const QVariantMap&) {
  if (session.path() != session_ || session_.isEmpty()) return;
  if (pressed_) pressed_(id.toStdString());
}

}  // namespace formix::platform

QDBusArgument& operator<<(QDBusArgument& argument, const formix::platform::PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, formix::platform::PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}
