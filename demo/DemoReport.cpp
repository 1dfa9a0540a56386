#include "DemoReport.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QWidget>

namespace demo {

DemoReport::DemoReport(const QString& folder) : dir_(folder), ready_(QDir().mkpath(folder)) {}

bool DemoReport::isReady() const { return ready_; }

QString DemoReport::folder() const { return dir_.absolutePath(); }

// The window as the shopper sees it: dialogs open over it (alerts are windows of their own)
// are drawn on top, centred, over a dimmed window.
QPixmap DemoReport::picture(QWidget* window) {
  // Layouts settle in posted events: a picture taken in the turn that changed a text or showed
  // a panel would catch boxes at their old size, clipped.
  for (int pass = 0; pass < 3; ++pass) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  }
  // Offscreen there is no pointer, yet Qt keeps a widget it once entered (the back button,
  // say) marked as under the mouse: the pictures would show it hovered.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (!widget->testAttribute(Qt::WA_UnderMouse)) continue;
      widget->setAttribute(Qt::WA_UnderMouse, false);
      widget->update();
    }
  }
  QPixmap picture = window->grab();
  QPainter painter(&picture);
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(top);
    if (!dialog || !dialog->isVisible()) continue;
    painter.fillRect(QRect(QPoint(0, 0), window->size()), QColor(0, 0, 0, 90));
    const QPixmap shown = dialog->grab();
    const QSize size = shown.deviceIndependentSize().toSize();
    painter.drawPixmap((window->width() - size.width()) / 2, (window->height() - size.height()) / 2,
                       shown);
  }
  return picture;
}

QString DemoReport::screenshot(QWidget* window, const QString& flow, const QString& phase,
                               const QString& caption) {
  if (!pictures_) return {};
  return save(picture(window), flow, phase, caption);
}

QString DemoReport::screenshotOfScreen(const QString& flow, const QString& phase,
                                       const QString& caption) {
  if (!pictures_) return {};
  QScreen* screen = QGuiApplication::primaryScreen();
  return save(screen ? screen->grabWindow(0) : QPixmap(), flow, phase, caption);
}

QString DemoReport::save(const QPixmap& picture, const QString& flow, const QString& phase,
                         const QString& caption) {
  const QString file =
      QString("%1-%2-%3.png").arg(shots_.size() + 1, 2, 10, QChar('0')).arg(flow, phase);
  picture.save(dir_.filePath(file));
  shots_.push_back({flow, file, caption});
  return file;
}

void DemoReport::outcome(const QString& flow, const QString& title, const QString& expected,
                         const QString& received, bool passed) {
  outcomes_.push_back({flow, title, expected, received, passed});
}

bool DemoReport::write() const {
  QFile file(dir_.filePath("index.html"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  QTextStream out(&file);
  out << "<!doctype html><meta charset=\"utf-8\"><title>Tarvel Checkout demo run</title>\n"
         "<style>body{font-family:sans-serif;margin:2rem;background:#f4f6f5;color:#1b1f1d}"
         "table{border-collapse:collapse;margin-bottom:2rem}td,th{padding:.4rem .8rem;"
         "border-bottom:1px solid #dde3e0;text-align:left;vertical-align:top}"
         ".pass{color:#0e7a3b}.fail{color:#c62828;font-weight:bold}"
         "section{margin-bottom:2rem}figure{display:inline-block;margin:0 1rem 1rem 0;"
         "vertical-align:top;max-width:440px}img{max-width:420px;border:1px solid #ccc;"
         "border-radius:8px;background:white}figcaption{font-size:.9rem;margin-top:.3rem}"
         "code{font-size:.8rem;word-break:break-all}</style>\n"
         "<h1>Tarvel Checkout: demo run</h1>\n<table><tr><th>flow</th><th>expected</th>"
         "<th>received</th><th></th></tr>\n";
  for (const Outcome& outcome : outcomes_) {
    out << "<tr><td>" << outcome.title.toHtmlEscaped() << "</td><td>"
        << outcome.expected.toHtmlEscaped() << "</td><td><code>" << outcome.received.toHtmlEscaped()
        << "</code></td><td class=\""
        << (outcome.passed ? "pass\">as expected" : "fail\">NOT as expected") << "</td></tr>\n";
  }
  out << "</table>\n";
  QString currentFlow;
  for (const Shot& shot : shots_) {
    if (shot.flow != currentFlow) {
      if (!currentFlow.isEmpty()) out << "</section>\n";
      out << "<section><h2>" << shot.flow.toHtmlEscaped() << "</h2>\n";
      currentFlow = shot.flow;
    }
    out << "<figure><img src=\"" << shot.file.toHtmlEscaped() << "\" alt=\""
        << shot.caption.toHtmlEscaped() << "\"><figcaption>" << shot.caption.toHtmlEscaped()
        << "</figcaption></figure>\n";
  }
  if (!currentFlow.isEmpty()) out << "</section>\n";
  return out.status() == QTextStream::Ok;
}

}  // namespace demo
