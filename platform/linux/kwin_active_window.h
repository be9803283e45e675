// Which window has the keyboard focus on KDE Plasma, where no protocol tells a client: a small
// KWin script, loaded over the session bus, reports the active window's class (its app_id on
// Wayland), caption and id to formix's object on the bus each time the focus moves or the
// caption changes, and each window that closes. Only reports from KWin itself are taken. The
// windows are kept in the order they last had the focus, so that a phrase chosen in formix's
// own popup menu (which takes the focus) goes to the window used before; a second, one-shot
// script gives that window the focus back. The scripts are unloaded when formix ends; ones left
// behind by a formix that crashed are replaced at the next start.
#pragma once

#include <QDBusVirtualObject>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace formix::platform {

inline constexpr const char* kActiveWindowPath = "/org/formix/Formix1/KWin";
inline constexpr const char* kActiveWindowInterface = "org.formix.Formix1.KWin";

struct ActiveWindow {
  uint32_t id = 0;  // formix's number for the window, the same for as long as it exists
  std::string resourceClass, caption;
};

// The script's text: calls `Activated(class, caption, id)` and `Closed(id)` on formix's object.
std::string activeWindowScript();
// The one-shot script that gives the window KWin knows by `uuid` the focus; nullopt for an id
// that is not in KWin's form ("{" hex digits and dashes "}").
std::optional<std::string> activationScript(const std::string& uuid);

class KWinActiveWindow : public QDBusVirtualObject {
 public:
  KWinActiveWindow() = default;
  ~KWinActiveWindow() override;
  // Registers the object (formix must own its name on the bus already), writes the script to
  // `scriptFile` and has KWin run it; false, and why, when any step fails.
  bool start(const std::filesystem::path& scriptFile, std::string* why);

  // The window with the focus as last reported; nullopt while none has it.
  std::optional<ActiveWindow> active() const { return active_; }
  // The windows still open, the one that had the focus last first.
  const std::vector<ActiveWindow>& recent() const { return recent_; }
  std::optional<ActiveWindow> find(uint32_t id) const;
  // Asks KWin to give window `id` the focus; false when it is unknown or KWin cannot be asked.
  bool activate(uint32_t id);

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

  // What the script reported: empty strings for "no window". Public for the tests.
  void reported(const std::string& resourceClass, const std::string& caption, const std::string& uuid);
  void closed(const std::string& uuid);

 private:
  std::optional<ActiveWindow> active_;
  std::vector<ActiveWindow> recent_;
  std::filesystem::path folder_;         // where the scripts are written
  std::map<std::string, uint32_t> ids_;  // KWin's window ids to formix's numbers
  uint32_t nextId_ = 0x7e000001;         // far from the numbers the toolkit gives its own windows
  std::string kwin_;                     // KWin's unique name on the bus: the only sender heard
  bool registered_ = false, loaded_ = false, activating_ = false;
};

}  // namespace formix::platform
