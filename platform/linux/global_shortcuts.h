// Formix's gestures as the desktop's own global shortcuts, through the GlobalShortcuts portal
// (xdg-desktop-portal; KDE Plasma 5.27 has it): "fill" and "menu" are registered with the keys
// formix prefers, which the person may change in the desktop's settings, and each press comes
// back as the portal's Activated signal. Plasma 5.27 registers only the shortcuts given when the
// session is created; later portals take them through BindShortcuts, which is asked when the
// creation bound none.
#pragma once

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/gesture_shortcuts.h"

namespace formix::platform {

// One shortcut as the portal passes it: its id and its properties (description,
// preferred_trigger; trigger_description in answers).
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

class GlobalShortcuts : public QObject {
  Q_OBJECT

 public:
  // Each shortcut's id and the keys the desktop gave it ("Meta+Alt+F"; empty: none yet).
  using Bound = std::function<void(const std::vector<std::pair<std::string, std::string>>&)>;
  // Why there are none (no portal, or one without global shortcuts, or it refused).
  using Unavailable = std::function<void(const std::string& why)>;
  using Pressed = std::function<void(const std::string& id)>;

  GlobalShortcuts(Pressed pressed, Bound bound, Unavailable unavailable);
  // Starts asking; the answer comes to `bound` or `unavailable` while the event loop runs.
  void start(const std::vector<GestureShortcut>& shortcuts);

 private slots:
  void created(uint response, const QVariantMap& results);
  void boundLater(uint response, const QVariantMap& results);
  void activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp, const QVariantMap& options);

 private:
  // The path of the request a call with this token makes: its Response is awaited there before the call.
  QString requestPath(const QString& token) const;
  void report(const QVariantMap& results);
  void fail(const std::string& why);

  Pressed pressed_;
  Bound bound_;
  Unavailable unavailable_;
  QList<PortalShortcut> shortcuts_;
  QString session_;
  bool answered_ = false;
};

}  // namespace formix::platform

Q_DECLARE_METATYPE(formix::platform::PortalShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const formix::platform::PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, formix::platform::PortalShortcut& shortcut);
