// The popup menu, made from the model's menu tree each time it opens (captions, check marks,
// submenus) and opened at the pointer. An item can be chosen with either mouse button.
#pragma once

#include <QMenu>

#include <memory>

#include "ports/desktop.h"
#include "platform/linux/qt_view.h"

namespace formix::platform::qt {

class QtPopupMenus : public ports::PopupMenus {
 public:
  explicit QtPopupMenus(FormView& view) : view_(view) {}
  void showPopupMenu(std::string_view menuName, int flags) override;
  QMenu* shown() const { return menu_.get(); }

 private:
  void fill(QMenu& menu, app::Control& parent);

  FormView& view_;
  std::unique_ptr<QMenu> menu_;
};

}  // namespace formix::platform::qt
