#include "platform/linux/qt_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMoveEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "platform/linux/pictures.h"
#include "platform/linux/qt_ports.h"

namespace formix::platform::qt {
namespace {

using app::Control;
using K = app::ControlKind;

// A check box drawn as a button: the bar's panel toggles, and the page selectors.
bool isGraphical(const Control& c) {
  return c.name() == "chkPOST" || c.name() == "chkSET" || c.name() == "optPAGE";
}

// The virtual key of an arrow key, or 0.
int arrowKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return 0;
  }
}

}  // namespace

FormView::FormView(ports::Screen& screen, x11::Connection& x, std::function<void()> quit)
    : screen_(screen), x_(x), quit_(std::move(quit)) {
  // A tool window: always on top, no taskbar entry, movable by its title bar.
  form_ = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  form_->setAttribute(Qt::WA_QuitOnClose, false);
  form_->setWindowIcon(pictureIcon(app::kTrayIconPicture));
  form_->installEventFilter(this);
  form_->winId();  // the X window exists from now on: it is the model's window handle
}

FormView::~FormView() {
  detach();
  delete form_;
}

void FormView::detach() {
  if (program_ != nullptr) program_->onPropertyChanged = nullptr;
  program_ = nullptr;
  shownFocus_ = nullptr;
  detached_ = true;
}

int FormView::px(double twips, bool vertical) const {
  const double perPixel = vertical ? screen_.twipsPerPixelY() : screen_.twipsPerPixelX();
  return static_cast<int>(std::lround(twips / (perPixel > 0 ? perPixel : 15)));
}

QWidget* FormView::widgetOf(const Control& control) const {
  auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

void FormView::attach(app::FrmMain& program) {
  program_ = &program;
  // Containers come before what they hold in the model's list, so every parent exists in time.
  for (Control* c : program.allControls()) {
    const Control* container = c->container();
    if (container == nullptr) continue;  // the form itself, the popup menu's root
    QWidget* parent = container == &program.frmMain ? form_ : widgetOf(*container);
    if (parent == nullptr) continue;  // menu items
    if (QWidget* w = createWidget(*c, parent)) {
      widgets_[c] = w;
      controls_[w] = c;
      connectEvents(*c, w);
      for (std::string_view p : {"Caption", "Text", "ToolTipText", "Enabled", "Value", "Left", "Visible"}) show(*c, p);
    }
  }
  program.onPropertyChanged = [this](Control& c, std::string_view property) { show(c, property); };
}

QWidget* FormView::createWidget(Control& c, QWidget* parent) {
  QWidget* w = nullptr;
  switch (c.kind()) {
    case K::PictureBox:
      w = new QWidget(parent);
      w->setFocusPolicy(Qt::ClickFocus);  // the bar takes the focus away from the editors
      break;
    case K::Frame:
      if (c.caption().empty()) w = new QWidget(parent);
      else w = new QGroupBox(parent);
      break;
    case K::CommandButton: {
      auto* b = new QPushButton(parent);
      b->setIcon(controlIcon(c.name()));
      b->setFocusPolicy(Qt::NoFocus);  // a phrase button must not pull the focus from the target
      w = b;
      break;
    }
    case K::CheckBox:
    case K::OptionButton:
      if (isGraphical(c)) {
        auto* b = new QPushButton(parent);
        b->setCheckable(true);
        b->setAutoExclusive(false);
        b->setIcon(c.picture() != 0 ? pictureIcon(c.picture()) : controlIcon(c.name()));
        b->setFocusPolicy(Qt::NoFocus);
        w = b;
      } else if (c.kind() == K::CheckBox) {
        w = new QCheckBox(parent);
      } else {
        auto* r = new QRadioButton(parent);
        r->setAutoExclusive(false);  // the model clears the other options of the group
        w = r;
      }
      break;
    case K::TextBox: {
      auto* e = new QLineEdit(parent);
      e->setFrame(true);
      e->setAcceptDrops(c.name() == "txtCNT");
      w = e;
      break;
    }
    case K::ComboBox: {
      auto* box = new QComboBox(parent);
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      for (const auto& item : c.list()) box->addItem(toQString(item));
      w = box;
      break;
    }
    case K::Label:
      w = new QLabel(parent);
      if (c.name() == "lblURL") {
        w->setCursor(Qt::PointingHandCursor);
        w->setStyleSheet(QStringLiteral("color: #1a55c4; text-decoration: underline;"));
      }
      break;
    default:
      return nullptr;  // images, the timer and menu items have no widget of their own
  }
  place(c, w);
  return w;
}

void FormView::connectEvents(Control& c, QWidget* w) {
  w->installEventFilter(this);
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    QObject::connect(button, &QAbstractButton::clicked, this, [this, &c, button] {
      call([&] { program_->click(c); });
      // The model decides the state; a refused change snaps back.
      if (button->isCheckable()) button->setChecked(c.value() == 1);
    });
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    QObject::connect(edit, &QLineEdit::textEdited, this, [this, &c, edit](const QString& text) {
      const int caret = edit->cursorPosition();
      fromView_ = true;
      call([&] { program_->editText(c, fromQString(text)); });
      fromView_ = false;
      edit->setCursorPosition(std::min(caret, static_cast<int>(edit->text().size())));
      syncSelection(c);
    });
    QObject::connect(edit, &QLineEdit::cursorPositionChanged, this, [this, &c] { syncSelection(c); });
    QObject::connect(edit, &QLineEdit::selectionChanged, this, [this, &c] { syncSelection(c); });
  } else if (auto* box = qobject_cast<QComboBox*>(w)) {
    QObject::connect(box, &QComboBox::textActivated, this, [this, &c, box](const QString& text) {
      fromView_ = true;
      call([&] {
        c.setListIndex(box->currentIndex());
        program_->editText(c, fromQString(text));
      });
      fromView_ = false;
    });
    QObject::connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, &c](const QString& text) {
      fromView_ = true;
      call([&] { program_->editText(c, fromQString(text)); });
      fromView_ = false;
    });
  }
}

// The model's caret and selection follow the widget's, so key handlers see where the user is.
void FormView::syncSelection(Control& c) {
  auto* edit = qobject_cast<QLineEdit*>(widgetOf(c));
  if (edit == nullptr || fromView_) return;
  fromView_ = true;
  try {
    const bool selected = edit->hasSelectedText();
    c.setSelStart(selected ? edit->selectionStart() : edit->cursorPosition());
    c.setSelLength(selected ? static_cast<int>(edit->selectedText().size()) : 0);
  } catch (const std::exception&) {
  }
  fromView_ = false;
}

void FormView::place(const Control& c, QWidget* w) {
  w->setGeometry(px(c.left()), px(c.top(), true), std::max(1, px(c.width())), std::max(1, px(c.height(), true)));
}

void FormView::show(Control& c, std::string_view property) {
  QWidget* w = widgetOf(c);
  if (w == nullptr) return;
  const QString caption = toQString(c.caption());
  if (property == "Visible") {
    w->setVisible(c.visible());
  } else if (property == "Enabled") {
    w->setEnabled(c.enabled());
  } else if (property == "Left" || property == "Top" || property == "Width" || property == "Height") {
    place(c, w);
  } else if (property == "ToolTipText") {
    w->setToolTip(toQString(c.toolTipText()));
  } else if (property == "Caption") {
    if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(caption);
    else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->icon().isNull()) button->setText(caption);
  } else if (property == "Value") {
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      const QSignalBlocker quiet(button);
      button->setChecked(c.value() == 1);
    }
  } else if (property == "Text") {
    const QString text = toQString(c.text());
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->text() != text) {
      const QSignalBlocker quiet(edit);
      edit->setText(text);
      if (!fromView_) edit->setCursorPosition(c.selStart());  // a new text shows its start
    } else if (auto* box = qobject_cast<QComboBox*>(w); box && box->currentText() != text) {
      const QSignalBlocker quiet(box);
      box->setEditText(text);
    }
  } else if (property == "SelStart" || property == "SelLength") {
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (edit == nullptr || fromView_) return;  // the widget already shows what the user did
    const QSignalBlocker quiet(edit);
    if (c.selLength() > 0) edit->setSelection(c.selStart(), c.selLength());
    else edit->setCursorPosition(c.selStart());
  } else if (property == "ListCount") {
    if (auto* box = qobject_cast<QComboBox*>(w)) {
      const QSignalBlocker quiet(box);
      const QString text = box->currentText();
      box->clear();
      for (const auto& item : c.list()) box->addItem(toQString(item));
      box->setEditText(text);
    }
  } else if (property == "ListIndex") {
    if (auto* box = qobject_cast<QComboBox*>(w); box && !fromView_) {
      const QSignalBlocker quiet(box);
      box->setCurrentIndex(c.listIndex());
      box->setEditText(toQString(c.text()));
    }
  }
}

void FormView::call(const std::function<void()>& handler) {
  if (program_ == nullptr || !program_->running()) return;
  try {
    handler();
  } catch (const app::ProgramEnded&) {
    quit_();
    return;
  } catch (const std::exception&) {
    // A statement the user's action could not complete (a refused value, a hidden control).
  }
  syncFocus();
}

void FormView::callLater(std::function<void()> handler) {
  QTimer::singleShot(0, this, [this, handler = std::move(handler)] { call(handler); });
}

void FormView::syncFocus() {
  if (program_ == nullptr || !program_->running()) return;
  const Control* focused = program_->focused();
  if (focused == shownFocus_) return;
  shownFocus_ = focused;
  if (QWidget* w = focused ? widgetOf(*focused) : nullptr; w != nullptr && !w->hasFocus()) {
    w->setFocus(Qt::OtherFocusReason);
  }
}

bool FormView::keyPressed(Control& c, QKeyEvent* key) {
  if (c.name() == "txtAUTO" && key->text().size() == 1 && key->text().front().unicode() >= 0x20) {
    int code = key->text().front().unicode();
    call([&] { program_->txtAUTO_KeyPress(c.index(), code); });
    return code == 0;  // refused: the character never reaches the box
  }
  const int arrow = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier ? arrowKey(key->key()) : 0;
  if (arrow != 0 && (c.name() == "txtTT" || c.name() == "txtCNT")) {
    syncSelection(c);
    int code = arrow;
    call([&] {
      if (c.name() == "txtTT") program_->txtTT_KeyDown(c.index(), code);
      else program_->txtCNT_KeyDown(c.index(), code);
    });
    return code == 0 || program_->focused() != &c;  // the key moved to another editor
  }
  return false;
}

// Text that an input method commits (Japanese input, say) is asked about character by character,
// as typed keys are: a box that takes digits only refuses full-width digits and kana alike.
bool FormView::inputCommitted(Control& c, QInputMethodEvent* input) {
  if (c.name() != "txtAUTO" || input->commitString().isEmpty()) return false;
  bool refused = false;
  for (const QChar ch : input->commitString()) {
    int code = ch.unicode();
    call([&] { program_->txtAUTO_KeyPress(c.index(), code); });
    refused = refused || code == 0;
  }
  return refused;
}

bool FormView::dragged(Control& c, QEvent* event) {
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    std::vector<std::u16string> files;
    for (const QUrl& url : drop->mimeData()->urls()) {
      if (url.isLocalFile()) files.push_back(fromQString(url.toLocalFile()));
    }
    call([&] { program_->dropFiles(c, files); });
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    return true;
  }
  auto* drag = static_cast<QDragMoveEvent*>(event);
  int allowed = 0;
  call([&] { allowed = program_->dragOver(c, (drag->possibleActions() & Qt::CopyAction) ? 1 : 0); });
  if ((allowed & 1) != 0) {
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
  } else {
    drag->ignore();
  }
  return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_) {
    if (event->type() == QEvent::Close) {
      // Any close of the window saves and ends the program; the model decides, not Qt.
      event->ignore();
      callLater([this] { program_->closeWindow(); });
      return true;
    }
    if (event->type() == QEvent::Move && !applyingBounds_ && program_ != nullptr && form_->isVisible()) {
      // The user dragged the window: the model's position follows, in twips.
      const QPoint at = form_->pos();
      applyingBounds_ = true;
      call([&] {
        program_->frmMain.setLeft(at.x() * screen_.twipsPerPixelX());
        program_->frmMain.setTop(at.y() * screen_.twipsPerPixelY());
      });
      applyingBounds_ = false;
    }
    // The window manager's frame is known only once the window is mapped and framed.
    if (event->type() == QEvent::Show) {
      for (int delay : {0, 100, 300}) QTimer::singleShot(delay, this, [this] { applyBounds(); });
    }
    return false;
  }
  auto it = controls_.find(watched);
  if (it == controls_.end() || program_ == nullptr) return false;
  Control& c = *it->second;
  switch (event->type()) {
    case QEvent::FocusIn:
      if (program_->focused() != &c) {
        shownFocus_ = &c;
        call([&] { program_->setFocus(c); });
      }
      return false;
    case QEvent::KeyPress:
      return keyPressed(c, static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod:
      return inputCommitted(c, static_cast<QInputMethodEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return c.name() == "txtCNT" ? dragged(c, event) : false;
    case QEvent::MouseButtonRelease:
      if (c.kind() == K::Label && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        call([&] { program_->click(c); });
        return true;
      }
      return false;
    default:
      return false;
  }
}

// ---- The program's own window ----

ports::WindowHandle FormView::handle() { return static_cast<ports::WindowHandle>(form_->winId()); }

void FormView::setVisible(bool visible) {
  if (detached_) return;
  if (visible && !frameAsked_ && onX11()) {
    frameAsked_ = true;  // a window manager that never answers costs the wait once, not every show
    // Ask the window manager for the frame it will draw, so the first showing already has the
    // right client size instead of correcting it once the window is up.
    const uint32_t none[5] = {0, 0, 0, 0, 0};
    x_.sendToRoot(handle(), x_.atom("_NET_REQUEST_FRAME_EXTENTS"), none);
    for (int i = 0; i < 20 && !frameKnown(); ++i) QThread::msleep(10);
    applyBounds();
  }
  form_->setVisible(visible);
  if (visible && onX11()) {
    form_->raise();
    // No taskbar or pager entry: the bar is reached on screen or through its icon.
    const uint32_t data[5] = {1, x_.atom("_NET_WM_STATE_SKIP_TASKBAR"), x_.atom("_NET_WM_STATE_SKIP_PAGER"), 1, 0};
    x_.sendToRoot(handle(), x_.atom("_NET_WM_STATE"), data);
  }
}

bool FormView::onX11() const { return x_.connected() && QGuiApplication::platformName() == QLatin1String("xcb"); }

bool FormView::frameKnown() {
  return x_.property32(handle(), x_.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL).size() == 4;
}

void FormView::setCaption(std::u16string_view caption) {
  if (!detached_) form_->setWindowTitle(toQString(caption));
}

void FormView::setBounds(double left, double top, double width, double height) {
  if (detached_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (!applyingBounds_) applyBounds();
}

void FormView::applyBounds() {
  // The model's bounds are the outer ones, frame included; the client area is what is left
  // inside the frame the window manager draws.
  int extraWidth = 0, extraHeight = 0;
  const auto extents = onX11() ? x_.property32(handle(), x_.atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL)
                                : std::vector<uint32_t>{};
  if (extents.size() == 4) {  // left, right, top, bottom, in device pixels
    const double ratio = form_->devicePixelRatioF() > 0 ? form_->devicePixelRatioF() : 1;
    extraWidth = static_cast<int>(std::lround((extents[0] + extents[1]) / ratio));
    extraHeight = static_cast<int>(std::lround((extents[2] + extents[3]) / ratio));
  }
  applyingBounds_ = true;
  form_->move(px(left_), px(top_, true));
  form_->setFixedSize(std::max(1, px(width_) - extraWidth), std::max(1, px(height_, true) - extraHeight));
  applyingBounds_ = false;
}

void FormView::setOnTop() {
  if (detached_) return;
  if (!form_->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) form_->setWindowFlag(Qt::WindowStaysOnTopHint);
  if (form_->isVisible() && onX11()) {
    const uint32_t data[5] = {1, x_.atom("_NET_WM_STATE_ABOVE"), 0, 1, 0};
    x_.sendToRoot(handle(), x_.atom("_NET_WM_STATE"), data);
  }
}

}  // namespace formix::platform::qt
