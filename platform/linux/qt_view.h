// The main window on the Linux desktop: a Qt widget for every control of the frmMain model, placed
// from its twips at the screen's resolution. Property changes of the model are shown as they
// happen; what the user does to a widget goes to the model's events in the model's order.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QInputMethodEvent;
class QKeyEvent;

#include <functional>
#include <map>

#include "app/main_window.h"
#include "platform/linux/x11_windows.h"

namespace formix::platform::qt {

class FormView : public QObject, public x11::OwnWindow {
 public:
  // `quit` leaves the event loop once the program has ended.
  FormView(ports::Screen& screen, x11::Connection& x, std::function<void()> quit);
  ~FormView() override;

  // Builds the widgets of the model's controls; the model must outlive the view's use of it.
  void attach(app::FrmMain& program);
  app::FrmMain* program() const { return program_; }
  // Forgets the model (before it is destroyed, or when the display is gone): nothing reaches it
  // any more, and the model's calls leave the window alone.
  void detach();
  QWidget& form() { return *form_; }
  QWidget* widgetOf(const app::Control& control) const;

  // Runs a call into the model as an event handler runs: a failed statement is dropped, the end
  // of the program leaves the event loop, and the keyboard focus follows the model's afterwards.
  void call(const std::function<void()>& handler);
  // The same, after the current event has been handled.
  void callLater(std::function<void()> handler);

  // x11::OwnWindow
  ports::WindowHandle handle() override;
  void setVisible(bool visible) override;
  void setCaption(std::u16string_view caption) override;
  void setBounds(double left, double top, double width, double height) override;
  void setOnTop() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* createWidget(app::Control& control, QWidget* parent);
  void connectEvents(app::Control& control, QWidget* widget);
  void show(app::Control& control, std::string_view property);
  void place(const app::Control& control, QWidget* widget);
  void applyBounds();
  // Whether the window manager has said how wide a frame it draws around the window.
  bool frameKnown();
  void syncFocus();
  void syncSelection(app::Control& control);
  bool keyPressed(app::Control& control, QKeyEvent* event);
  bool inputCommitted(app::Control& control, QInputMethodEvent* input);
  bool dragged(app::Control& control, QEvent* event);
  int px(double twips, bool vertical = false) const;

  ports::Screen& screen_;
  // Whether the window is an X11 one, whose window manager is asked for frames and states; on a
  // Wayland session it is not.
  bool onX11() const;
  x11::Connection& x_;
  std::function<void()> quit_;
  app::FrmMain* program_ = nullptr;
  QWidget* form_ = nullptr;
  std::map<const app::Control*, QWidget*> widgets_;
  std::map<const QObject*, app::Control*> controls_;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // the form's outer bounds, twips
  bool applyingBounds_ = false;
  bool frameAsked_ = false;
  bool detached_ = false;  // the model is gone, or the display: the window is left alone
  bool fromView_ = false;  // a change the user made in a widget is being handed to the model
  const app::Control* shownFocus_ = nullptr;
};

}  // namespace formix::platform::qt
