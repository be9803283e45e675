#include "platform/linux/kwin_active_window.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <algorithm>
#include <fstream>

#include "platform/linux/trigger_channel.h"

namespace formix::platform {
namespace {

constexpr const char* kPluginName = "formix-active-window";
constexpr const char* kActivatePluginName = "formix-activate-window";
constexpr size_t kRecentWindows = 64;
constexpr int kCallMilliseconds = 5000;

QDBusMessage callScripting(const QString& path, const QString& interface, const QString& method, const QVariantList& args) {
  QDBusMessage call = QDBusMessage::createMethodCall("org.kde.KWin", path, interface, method);
  call.setArguments(args);
  return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallMilliseconds);
}

}  // namespace

std::string activeWindowScript() {
  // callDBus's first arguments: formix's name, object and interface.
  const std::string formix =
      std::string("\"") + kTriggerService + "\", \"" + kActiveWindowPath + "\", \"" + kActiveWindowInterface + "\"";
  return "// Reports the active window to formix: its class, caption and id; and each window closed.\n"
         "var current = null;\n"
         "function send() {\n"
         "  var w = current;\n"
         "  callDBus(" + formix + ", \"Activated\", w ? String(w.resourceClass) : \"\", w ? String(w.caption) : \"\",\n"
         "           w ? String(w.internalId) : \"\");\n"
         "}\n"
         "function activated(w) {\n"
         "  if (current) {\n"
         "    try { current.captionChanged.disconnect(send); } catch (e) {}\n"
         "  }\n"
         "  current = w;\n"
         "  if (w) w.captionChanged.connect(send);\n"
         "  send();\n"
         "}\n"
         "workspace.clientActivated.connect(activated);\n"
         "workspace.clientRemoved.connect(function (w) { callDBus(" + formix + ", \"Closed\", String(w.internalId)); });\n"
         "activated(workspace.activeClient);\n";
}

std::optional<std::string> activationScript(const std::string& uuid) {
  if (uuid.size() < 3 || uuid.front() != '{' || uuid.back() != '}') return std::nullopt;
  for (size_t i = 1; i + 1 < uuid.size(); ++i) {
    const char c = uuid[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '-')) return std::nullopt;
  }
  return "// Gives one window the focus for formix.\n"
         "var all = workspace.clientList();\n"
         "for (var i = 0; i < all.length; ++i) {\n"
         "  if (String(all[i].internalId) == \"" + uuid + "\") { workspace.activeClient = all[i]; break; }\n"
         "}\n";
}

KWinActiveWindow::~KWinActiveWindow() {
  if (loaded_) callScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString(kPluginName)});
  if (activating_) callScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString(kActivatePluginName)});
  if (registered_) QDBusConnection::sessionBus().unregisterObject(kActiveWindowPath);
}

bool KWinActiveWindow::start(const std::filesystem::path& scriptFile, std::string* why) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  if (!bus.isConnected()) return fail("no session bus");
  folder_ = scriptFile.parent_path();
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
  const bool activated = message.member() == "Activated" && message.signature() == "sss";
  const bool closing = message.member() == "Closed" && message.signature() == "s";
  if (message.interface() != kActiveWindowInterface || (!activated && !closing)) return false;
  // Any program of the session may call; only KWin knows which window is active.
  if (message.service().toStdString() != kwin_) {
    connection.send(message.createErrorReply("org.freedesktop.DBus.Error.AccessDenied", "only KWin reports the active window"));
    return true;
  }
  const auto args = message.arguments();
  if (closing) {
    closed(args.value(0).toString().toStdString());
  } else {
    reported(args.value(0).toString().toStdString(), args.value(1).toString().toStdString(),
             args.value(2).toString().toStdString());
  }
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
  const uint32_t id = it->second;
  recent_.erase(std::remove_if(recent_.begin(), recent_.end(), [&](const ActiveWindow& w) { return w.id == id; }),
                recent_.end());
  recent_.insert(recent_.begin(), *active_);
  if (recent_.size() > kRecentWindows) recent_.pop_back();
}

void KWinActiveWindow::closed(const std::string& uuid) {
  const auto it = ids_.find(uuid);
  if (it == ids_.end()) return;
  const uint32_t id = it->second;
  ids_.erase(it);
  recent_.erase(std::remove_if(recent_.begin(), recent_.end(), [&](const ActiveWindow& w) { return w.id == id; }),
                recent_.end());
  if (active_ && active_->id == id) active_.reset();
}

std::optional<ActiveWindow> KWinActiveWindow::find(uint32_t id) const {
  for (const auto& window : recent_) {
    if (window.id == id) return window;
  }
  return std::nullopt;
}

bool KWinActiveWindow::activate(uint32_t id) {
  const auto known = std::find_if(ids_.begin(), ids_.end(), [&](const auto& entry) { return entry.second == id; });
  if (known == ids_.end() || folder_.empty()) return false;
  const auto script = activationScript(known->first);
  if (!script) return false;
  const auto file = folder_ / "formix-kwin-activate-window.js";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << *script;
    if (!out.flush()) return false;
  }
  // The one before ran long ago (KWin runs a script as soon as it starts it): it goes first.
  if (activating_) callScripting("/Scripting", "org.kde.kwin.Scripting", "unloadScript", {QString(kActivatePluginName)});
  const QDBusMessage loaded = callScripting("/Scripting", "org.kde.kwin.Scripting", "loadScript",
                                            {QString::fromStdString(file.string()), QString(kActivatePluginName)});
  if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().value(0).toInt() < 0) return false;
  activating_ = true;
  return callScripting("/Scripting", "org.kde.kwin.Scripting", "start", {}).type() == QDBusMessage::ReplyMessage;
}

QString KWinActiveWindow::introspect(const QString&) const {
  return QStringLiteral(
      "<interface name=\"org.formix.Formix1.KWin\">"
      "<method name=\"Activated\"><arg name=\"resourceClass\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"caption\" type=\"s\" direction=\"in\"/><arg name=\"id\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"Closed\"><arg name=\"id\" type=\"s\" direction=\"in\"/></method>"
      "</interface>");
}

}  // namespace formix::platform
