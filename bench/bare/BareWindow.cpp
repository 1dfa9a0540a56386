// The floor of the memory figures: a Qt Widgets program that shows one window, paints it once
// and exits. Built twice: with Qt Widgets alone, and also linked with Qt WebEngine (mapped at
// start, never started), the price of the link alone.
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {

// Quits the application after its first paint.
class Window : public QLabel {
 public:
  using QLabel::QLabel;
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  Window window(QStringLiteral("One window"));
  window.resize(375, 667);
  window.show();
  QTimer::singleShot(20000, &app, [] { QCoreApplication::exit(1); });
  return app.exec();
}
