// The pictures of the main window's graphical controls and of the notification-area icon, drawn
// for Formix and kept as SVG resources.
#pragma once

#include <QIcon>

#include <cstdint>
#include <string_view>

namespace formix::platform::qt {

// The picture of a model picture handle (the tray icon, the busy icon, a page selector).
QIcon pictureIcon(uint32_t picture);
// The picture of a graphical control by its name (cmdPOST, cmdTRAY, chkPOST, chkSET), or a null
// icon for a control without one.
QIcon controlIcon(std::string_view name);

}  // namespace formix::platform::qt
