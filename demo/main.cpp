// The demo shop: a host application that checks out through Tarvel Checkout.
//
//   tarvel-demo-shop                 the shop in a window; without a display (no DISPLAY or
//                                    WAYLAND_DISPLAY) the scripted run below instead
//   tarvel-demo-shop --scripted [--flow ID]... [--output DIR] [--verbose] [--no-pictures]
//                                    a scripted shopper runs every flow (or the ones named)
//                                    against the sandbox, writes pictures and index.html to DIR
//                                    (demo-output) and exits 0 when each flow ended with exactly
//                                    its expected outcome
#include <cstdio>  // printf

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <fcntl.h>   // open
#include <unistd.h>  // dup2

#include "DemoReport.h"
#include "DemoShopWindow.h"
#include "SandboxControl.h"
#include "ScriptedShopper.h"
#include "tarvel/UIFont.h"

namespace {

bool hasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Everything written to stderr from here on (Qt's warnings, the web engine's processes, the
// component's lines unless a host sink takes them) goes to `file` instead of the console.
bool sendStderrTo(const QString& file) {
  const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const bool moved = ::dup2(fd, STDERR_FILENO) >= 0;
  ::close(fd);
  return moved;
}

int runScripted(QApplication& app, demo::DemoShopWindow& shop, demo::SandboxControl& sandbox,
                const QStringList& flows, const QString& output, bool pictures) {
  demo::DemoReport report(output);
  report.setPictures(pictures);
  if (!report.isReady() || !sandbox.isConfigured()) {
    std::printf("The scripted run needs a sandbox (scripts/with-sandbox.sh) and a writable %s\n",
                qPrintable(output));
    return 2;
  }
  for (const QString& flow : flows) {
    if (!demo::ScriptedShopper::knownFlows().contains(flow)) {
      std::printf("Unknown flow %s (known: %s)\n", qPrintable(flow),
                  qPrintable(demo::ScriptedShopper::knownFlows().join(", ")));
      return 2;
    }
  }
  demo::ScriptedShopper shopper(shop, report, sandbox, flows);
  int exitCode = 1;
  QObject::connect(&shopper, &demo::ScriptedShopper::finished, &app, [&](bool allAsExpected) {
    report.write();
    std::printf(
        "%s; pictures and index.html in %s\n",
        allAsExpected ? "Every flow ended as expected" : "SOME FLOWS DID NOT END AS EXPECTED",
        qPrintable(report.folder()));
    exitCode = allAsExpected ? 0 : 1;
    app.quit();
  });
  shopper.start();
  app.exec();
  return exitCode;
}

}  // namespace

int main(int argc, char* argv[]) {
  const bool windowed = hasDisplay();
  if (!windowed) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Chai & Cotton");
  QApplication::setOrganizationDomain("shop.example");

  QCommandLineParser parser;
  parser.addHelpOption();
  QCommandLineOption production("production", "Use the production platform (default: staging).");
  QCommandLineOption scripted("scripted", "Run the scripted shopper through the flows.");
  QCommandLineOption flow("flow", "With --scripted: run only this flow (repeatable).", "id");
  QCommandLineOption output("output", "Where pictures and index.html go.", "dir", "demo-output");
  QCommandLineOption verbose("verbose", "Show the component's and Qt's console lines.");
  QCommandLineOption noPictures("no-pictures",
                                "With --scripted: no pictures (the memory benchmark's runs).");
  for (const auto& option : {production, scripted, flow, output, verbose, noPictures}) {
    parser.addOption(option);
  }
  parser.process(app);

  // The console is the shop's: the component's lines (Qt category "tarvel.checkout"), Qt's and
  // the web engine's go to the log file unless asked for.
  const QString folder = parser.value(output);
  QDir().mkpath(folder);
  const QString logFile = QDir(folder).filePath("demo.log");
  if (!parser.isSet(verbose)) sendStderrTo(logFile);

  tarvel::UIFont::loadFonts();
  demo::DemoShopWindow shop(parser.isSet(production));
  demo::SandboxControl sandbox;
  if (sandbox.isConfigured()) shop.setSandbox(&sandbox);
  shop.recoverUnfinishedCheckouts();
  if (!parser.isSet(scripted) && windowed) {
    std::printf("The shop is open in its window. Console lines go to %s (--verbose shows them).\n",
                qPrintable(logFile));
    shop.show();
    return app.exec();
  }
  if (!windowed) std::printf("No display: the scripted shopper runs the flows offscreen.\n");
  // On a display the simulated UPI app shows its own window; the scripted shopper presses its
  // Pay button after a moment, as a person would.
  if (windowed) qputenv("TARVEL_UPI_APP_AUTO_PAY_MS", "1500");
  shop.resize(420, 820);
  shop.show();
  QStringList flows = parser.values(flow);
  if (flows.isEmpty()) flows = demo::ScriptedShopper::allFlows();
  return runScripted(app, shop, sandbox, flows, folder, !parser.isSet(noPictures));
}
