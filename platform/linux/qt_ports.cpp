#include "platform/linux/qt_ports.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QThread>

#include <ctime>

namespace formix::platform::qt {

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string fromQString(const QString& text) { return text.toStdU16String(); }

namespace {

QScreen* screen() { return QGuiApplication::primaryScreen(); }

double twipsPerPixel(double dpi) { return dpi > 0 ? 1440.0 / dpi : 15.0; }

}  // namespace

double QtScreen::widthTwips() { return screen() ? screen()->geometry().width() * twipsPerPixelX() : 0; }
double QtScreen::heightTwips() { return screen() ? screen()->geometry().height() * twipsPerPixelY() : 0; }
double QtScreen::twipsPerPixelX() { return twipsPerPixel(screen() ? screen()->logicalDotsPerInchX() : 96); }
double QtScreen::twipsPerPixelY() { return twipsPerPixel(screen() ? screen()->logicalDotsPerInchY() : 96); }

QtEventLoop::QtEventLoop() {
  // The typing wait is a user-visible delay: it should be as long as set, not up to 5% more.
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (auto tick = tick_) tick();
  });
}

void QtEventLoop::doEvents() {
  // Runs what is waiting; when nothing was, a short pause keeps a caller that loops on this
  // (the typing wait) from spinning a core.
  QEventLoop loop;
  if (!loop.processEvents(QEventLoop::AllEvents)) QThread::usleep(500);
}

void QtEventLoop::setTimer(int milliseconds, std::function<void()> tick) {
  if (milliseconds <= 0) {
    timer_.stop();
    tick_ = nullptr;
    return;
  }
  tick_ = std::move(tick);
  timer_.start(milliseconds);
}

void QtEventLoop::runEventsUntil(const std::function<bool()>& done, int milliseconds) {
  // The loop sleeps until an event comes; the bound's own timer is the last one to come.
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer bound;
  bound.setSingleShot(true);
  bound.setTimerType(Qt::PreciseTimer);
  bound.start(milliseconds);
  QEventLoop loop;
  while (!done() && !elapsed.hasExpired(milliseconds)) loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void QtMessageBoxes::showMessage(std::u16string_view text, std::u16string_view title, int flags) {
  const QMessageBox::Icon icon = flags == kCritical ? QMessageBox::Critical
                                 : flags == kExclamation ? QMessageBox::Warning
                                                         : QMessageBox::Information;
  QMessageBox box(icon, toQString(title), toQString(text), QMessageBox::Ok);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

void showNotice(std::u16string_view text) {
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Formix"), toQString(text), QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);  // a message box is modal unless told otherwise
  box->setWindowFlag(Qt::WindowStaysOnTopHint);
  box->show();
}

ports::LocalDateTime LocalClock::now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace formix::platform::qt
