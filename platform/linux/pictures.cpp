#include "platform/linux/pictures.h"

#include "app/main_window.h"

namespace formix::platform::qt {

QIcon pictureIcon(uint32_t picture) {
  if (picture == app::kTrayIconPicture) return QIcon(QStringLiteral(":/icons/formix.svg"));
  if (picture == app::kBusyIconPicture) return QIcon(QStringLiteral(":/icons/busy.svg"));
  // Page selectors carry 0x5200 + their page number.
  if (picture > 0x5200 && picture <= 0x5200 + app::kPages) {
    return QIcon(QStringLiteral(":/icons/page%1.svg").arg(picture - 0x5200));
  }
  return {};
}

QIcon controlIcon(std::string_view name) {
  if (name == "cmdPOST") return QIcon(QStringLiteral(":/icons/fill.svg"));
  if (name == "cmdTRAY") return QIcon(QStringLiteral(":/icons/tray.svg"));
  if (name == "chkPOST") return QIcon(QStringLiteral(":/icons/profile.svg"));
  if (name == "chkSET") return QIcon(QStringLiteral(":/icons/settings.svg"));
  return {};
}

}  // namespace formix::platform::qt
