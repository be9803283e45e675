#include "platform/linux/kwin_active_window.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <fstream>

namespace formix::platform {
namespace {

constexpr const char* kPluginName = "formix-active-window";
constexpr int kCallMilliseconds = 5000;

QDBusMessage callScripting(const QString& path, const QString& interface, const QString& method, const QVariantList& args) {
  QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", path, interface, method);
  call.setArguments(args);
  return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallMilliseconds);
}

}  // namespace

std::string activeWindowScript() {
  return std::string(R"JS(// Reports the active window to formix: its class, caption and id.
var current = null;
function send() {
  var w = current;
  callDBus(")JS") + "org.formix.Formix1" + "\", \"" + kActiveWindowPath + "\", \"" + kActiveWindowInterface + R"JS(",
           "Activated", w ? String(w.resourceClass) : "", w ? String(w.caption) : "", w ? String(w.internalId) : "");
}
function activated(w) {
  if (current) {
    try { current.captionChanged.disconnect(send); } catch (e) {}
  }
  current = w;
  if (w) w.captionChanged.connect(send);
  send();
}
workspace.clientActivated.connect(activated);
activated(workspace.activeClient);
)JS";
}

KWinActiveWindow::~KWinActiveWindow() {
  if (loaded_) callScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString(kPluginName)});
  if (registered_) QDBusConnection::sessionBus().unregisterObject(kActiveWindowPath);
}

bool KWinActiveWindow::start(const std::filesystem::path& scriptFile, std::string* why) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  if (!bus.isConnected()) return fail("no session bus");
  const auto owner = bus.interface()->serviceOwner("org.kde.KWin");
  if (!owner.isValid()) return fail("KWin is not on the session bus");
  kwin_ = owner.value().toStdString();
  if (!registered_) registered_ = bus.registerVirtualObject(kActiveWindowPath, this);
  if (!registered_) return fail("the bus refused the object");
  {
    std::ofstream out(scriptFile, std::ios::binary | std::ios::trunc);
    out << activeWindowScript();
    if (!out.flush()) return fail("cannot write " + scriptFile.string());
  }
  // A script of a formix that ended without unloading it would keep its name.
  callScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString(kPluginName)});
  const QDBusMessage loaded = callScripting("/Scripting", "org.kde.kwin.Scripting", "loadScript",
                                            {QString::fromStdString(scriptFile.string()), QString(kPluginName)});
  if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0) {
    return fail("KWin did not load the script: " + loaded.errorMessage().toStdString());
  }
  loaded_ = true;
  // Starts the scripts loaded and not yet running: this one.
  const QDBusMessage started = callScripting("/Scripting", "org.kde.kwin.Scripting", "start", {});
  if (started.type() != QDBusMessage::ReplyMessage) return fail("KWin did not run the script");
  return true;
}

bool KWinActiveWindow::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  if (message.interface() != kActiveWindowInterface || message.member() != "Activated" || message.signature() != "sss") {
    return false;
  }
  // Any program of the session may call; only KWin knows which window is active.
  if (message.service().toStdString() != kwin_) {
    connection.send(message.createErrorReply("org.freedesktop.DBus.Error.AccessDenied", "only KWin reports the active window"));
    return true;
  }
  const auto args = message.arguments();
  reported(args.value(0).toString().toStdString(), args.value(1).toString().toStdString(),
           args.value(2).toString().toStdString());
  connection.send(message.createReply());
  return true;
}

void KWinActiveWindow::reported(const std::string& resourceClass, const std::string& caption, const std::string& uuid) {
  if (uuid.empty()) {
    active_.reset();
    return;
  }
  auto [it, added] = ids_.try_emplace(uuid, nextId_);
  if (added) ++nextId_;
  active_ = ActiveWindow{it->second, resourceClass, caption};
}

QString KWinActiveWindow::introspect(const QString&) const {
  return QStringLiteral(
      "<interface name=\"org.formix.Formix1.KWin\">"
      "<method name=\"Activated\"><arg name=\"resourceClass\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"caption\" type=\"s\" direction=\"in\"/><arg name=\"id\" type=\"s\" direction=\"in\"/></method>"
      "</interface>");
}

}  // namespace formix::platform
