// The floor of the memory figures: a Qt Widgets program that shows one window, paints it once
// and exits. Built twice: with Qt Widgets alone, and also linked with Qt WebEngine (mapped at
// start, never started), the price of the link alone.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace {

// Quits the application after the watched widget's first paint.
class QuitAfterPaint : public QObject {
 public:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return QObject::eventFilter(object, event);
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel window(QStringLiteral("One window"));
  QuitAfterPaint quitter;
  window.installEventFilter(&quitter);
  window.resize(375, 667);
  window.show();
  QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(1); });
  return app.exec();
}
