#include "platform/linux/qt_popup.h"

#include <QCursor>
#include <QMouseEvent>

#include "platform/linux/qt_ports.h"

namespace formix::platform::qt {
namespace {

// A menu whose items answer the right button as well as the left. Only a button pressed inside
// the menu counts, so the release of the click that opened it chooses nothing.
class EitherButtonMenu : public QMenu {
 public:
  using QMenu::QMenu;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    pressedInside_ = rect().contains(event->position().toPoint());
    QMenu::mousePressEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::RightButton) {
      QAction* action = actionAt(event->position().toPoint());
      if (pressedInside_ && action != nullptr && action->isEnabled() && action->menu() == nullptr &&
          !action->isSeparator()) {
        action->trigger();
        for (QWidget* w = this; auto* menu = qobject_cast<QMenu*>(w); w = menu->parentWidget()) menu->hide();
      }
      pressedInside_ = false;
      return;
    }
    pressedInside_ = false;
    QMenu::mouseReleaseEvent(event);
  }

 private:
  bool pressedInside_ = false;
};

}  // namespace

void QtPopupMenus::fill(QMenu& menu, app::Control& parent) {
  app::FrmMain& program = *view_.program();
  for (app::Control* item : program.popupItems(parent)) {
    if (!item->visible()) continue;
    if (item->caption() == u"-") {
      menu.addSeparator();
      continue;
    }
    if (!program.popupItems(*item).empty()) {
      auto* sub = new EitherButtonMenu(toQString(item->caption()), &menu);
      sub->setEnabled(item->enabled());
      fill(*sub, *item);
      menu.addMenu(sub);
      continue;
    }
    QAction* action = menu.addAction(toQString(item->caption()));
    action->setCheckable(item->checked());
    action->setChecked(item->checked());
    action->setEnabled(item->enabled());
    QObject::connect(action, &QAction::triggered, [this, item] {
      view_.callLater([this, item] { view_.program()->chooseMenuItem(*item); });
    });
  }
}

void QtPopupMenus::showPopupMenu(std::string_view menuName, int /*flags*/) {
  app::FrmMain* program = view_.program();
  app::Control* root = program != nullptr ? program->findControl(menuName, -1) : nullptr;
  if (root == nullptr) return;
  menu_ = std::make_unique<EitherButtonMenu>();
  menu_->setWindowTitle(QStringLiteral("Formix menu"));  // how tests and tools find it on screen
  fill(*menu_, *root);
  menu_->popup(QCursor::pos());
  menu_->activateWindow();
}

}  // namespace formix::platform::qt
