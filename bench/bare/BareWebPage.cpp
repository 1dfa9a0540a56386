// The floor of the web memory and start-up figures: a Qt WebEngine program that loads one page
// (the URL given) in a QWebEngineView and exits once it has loaded. Certificate errors are
// accepted: the page is the local sandbox's, whose authority this program does not know.
#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineView>

int main(int argc, char* argv[]) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  QWebEngineView view;
  QObject::connect(view.page(), &QWebEnginePage::certificateError,
                   [](QWebEngineCertificateError error) { error.acceptCertificate(); });
  QObject::connect(&view, &QWebEngineView::loadFinished, &app,
                   [](bool ok) { QCoreApplication::exit(ok ? 0 : 1); });
  view.resize(375, 667);
  view.show();
  view.load(QUrl(QString::fromLocal8Bit(argv[1])));
  QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(1); });
  return app.exec();
}
