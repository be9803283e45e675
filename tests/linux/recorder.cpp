// A small window of the test's own that stands for any other program: it logs on stdout, one line
// each, what reaches it (pasted or typed text, Return, Tab, mouse presses, each with the Ctrl,
// Shift, Alt or Super held then, as in "key Ctrl+Return"), with the time in milliseconds since
// the epoch.
//
//   recorder TITLE
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <cstdio>

namespace {

void log(const QString& what) {
  std::printf("%lld %s\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()), what.toUtf8().constData());
  std::fflush(stdout);
}

QString escaped(QString text) {
  return text.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"))
      .replace(QChar(0x2029), QLatin1String("\\n")).replace(QLatin1Char('\r'), QLatin1String("\\r"))
      .replace(QLatin1Char('\t'), QLatin1String("\\t"));
}

QString held(Qt::KeyboardModifiers modifiers) {
  QString names;
  if (modifiers & Qt::ControlModifier) names += QStringLiteral("Ctrl+");
  if (modifiers & Qt::ShiftModifier) names += QStringLiteral("Shift+");
  if (modifiers & Qt::AltModifier) names += QStringLiteral("Alt+");
  if (modifiers & Qt::MetaModifier) names += QStringLiteral("Super+");
  return names;
}

class Recorder : public QPlainTextEdit {
 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      log(QStringLiteral("key ") + held(event->modifiers()) + QStringLiteral("Return"));
      return;  // recorded, not inserted: the text line shows only what was pasted or typed
    }
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
      log(QStringLiteral("key ") + held(event->modifiers()) + QStringLiteral("Tab"));
      return;
    }
    QPlainTextEdit::keyPressEvent(event);
  }
  void mousePressEvent(QMouseEvent* event) override {
    const QString mods = held(event->modifiers());
    log(QStringLiteral("button %1").arg(event->button() == Qt::LeftButton ? 1 : event->button() == Qt::MiddleButton ? 2 : 3) +
        (mods.isEmpty() ? QString() : QStringLiteral(" ") + mods.chopped(1)));
    if (event->button() == Qt::LeftButton) QPlainTextEdit::mousePressEvent(event);
  }
  void contextMenuEvent(QContextMenuEvent*) override {}
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Recorder window;
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Recorder"));
  QObject::connect(&window, &QPlainTextEdit::textChanged, [&window] {
    log(QStringLiteral("text ") + escaped(window.toPlainText()));
  });
  window.resize(500, 300);
  window.move(100, 150);
  window.show();
  log(QStringLiteral("ready"));
  return app.exec();
}
