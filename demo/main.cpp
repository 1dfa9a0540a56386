// The demo shop: a host application that checks out through Tarvel Checkout.
//
//   tarvel-demo-shop                      interactive shop window
//   tarvel-demo-shop --auto web|rto       runs one checkout unattended, prints the outcome as
//                                         JSON and exits 0 on success (used by the end-to-end
//                                         tests against the sandbox)
//   tarvel-demo-shop --screenshot FILE [--open web]
//                                         saves a picture of the shop, or of the hosted
//                                         checkout opened for a new order, and exits
#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>
#include <cstdio>  // printf, fflush

#include "DemoShopWindow.h"

namespace {

constexpr int kAutoTimeoutMs = 60'000;

tarvel::Dictionary autoOrder(const demo::DemoShopWindow& shop, const QString& flow) {
  // "auto-success-" orders make the sandbox's hosted page pay without a click.
  if (flow == "web") return shop.makeOrder("upi", QString("customweb"), "auto-success-");
  if (flow == "rto") return shop.makeOrder("non-vx", std::nullopt);
  return {};
}

int runUnattended(QApplication& app, demo::DemoShopWindow& shop, const QString& flow) {
  const auto order = autoOrder(shop, flow);
  if (order.is_null()) {
    std::fprintf(stderr, "unknown --auto flow '%s' (web, rto)\n", qPrintable(flow));
    return 64;
  }
  int exitCode = 2;
  QObject::connect(
      &shop, &demo::DemoShopWindow::paymentFinished, &app,
      [&](bool status, const tarvel::Dictionary& data) {
        std::printf(
            "%s %s\n", status ? "SUCCESS" : "FAILURE",
            data.dump(-1, ' ', false, tarvel::Dictionary::error_handler_t::replace).c_str());
        std::fflush(stdout);
        exitCode = status ? 0 : 1;
        // Let the component finish closing its screen before the loop ends.
        QTimer::singleShot(200, &app, &QApplication::quit);
      });
  QTimer::singleShot(kAutoTimeoutMs, &app, [&] {
    std::fprintf(stderr, "no outcome within %d s\n", kAutoTimeoutMs / 1000);
    app.quit();
  });
  shop.checkout(order);
  app.exec();
  return exitCode;
}

// Pictures for the README: the page needs a moment to load and render.
int saveScreenshot(QApplication& app, demo::DemoShopWindow& shop, const QString& file,
                   const QString& flow) {
  constexpr int kRenderDelayMs = 4'000;
  if (flow == "web") shop.checkout(shop.makeOrder("upi", QString("customweb")));
  bool saved = false;
  QTimer::singleShot(kRenderDelayMs, &app, [&] {
    saved = shop.grab().save(file);
    app.quit();
  });
  app.exec();
  if (!saved) std::fprintf(stderr, "could not save %s\n", qPrintable(file));
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Demo Shop");

  QCommandLineParser parser;
  parser.addHelpOption();
  QCommandLineOption production("production", "Use the production platform (default: staging).");
  QCommandLineOption unattended("auto", "Run one checkout unattended: web or rto.", "flow");
  QCommandLineOption screenshot("screenshot", "Save a picture of the window and exit.", "file");
  QCommandLineOption open("open", "With --screenshot: open this flow first (web).", "flow");
  parser.addOption(production);
  parser.addOption(unattended);
  parser.addOption(screenshot);
  parser.addOption(open);
  parser.process(app);

  demo::DemoShopWindow shop(parser.isSet(production));
  shop.show();
  if (parser.isSet(unattended)) return runUnattended(app, shop, parser.value(unattended));
  if (parser.isSet(screenshot)) {
    return saveScreenshot(app, shop, parser.value(screenshot), parser.value(open));
  }
  return app.exec();
}
