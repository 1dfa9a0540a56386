// What the component uses of the host application: its key window (the host window the
// component takes over), alerts over it, and opening another application's URL (through an
// injected registry of installed schemes, and through the default one, GIO's, reading a private
// XDG registry this process's start prepares). Opening the component's own window, and a plain
// window's single widget as its root, are covered through openCart by the entry tests.
#include <chrono>      // seconds
#include <cstdlib>     // setenv
#include <filesystem>  // create_directories, permissions
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <memory>      // make_shared, make_unique, shared_ptr, unique_ptr
#include <optional>    // optional
#include <set>         // set
#include <string>      // string
#include <vector>      // vector

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "QtTestMain.h"
#include "QtWait.h"
#include "TemporaryDirectory.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/KeyWindow.h"
#include "tarvel/ViewController.h"

namespace tarvel {

// The file the registered handler writes the URL it was launched with into.
static std::string openedUrlFile;

// GIO reads the XDG variables once, so they are set before the QApplication exists: one handler,
// of "tarveltestpay", in a folder that lives until the tests have run.
std::shared_ptr<void> test::prepareTestProcess() {
  namespace fs = std::filesystem;
  auto folder = std::make_shared<test::TemporaryDirectory>();
  fs::create_directories(folder->path() / "data" / "applications");
  fs::create_directories(folder->path() / "config");
  openedUrlFile = folder->file("opened-url.txt");
  const std::string script =
      folder->write("record-url.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + openedUrlFile + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  folder->write("data/applications/tarvel-test-pay.desktop",
                "[Desktop Entry]\nType=Application\nName=Tarvel Test Pay\nExec=" + script +
                    " %u\nNoDisplay=true\nMimeType=x-scheme-handler/tarveltestpay;\n");
  folder->write("config/mimeapps.list",
                "[Default Applications]\nx-scheme-handler/tarveltestpay=tarvel-test-pay.desktop\n");
  setenv("XDG_DATA_HOME", (folder->path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder->path() / "config").c_str(), 1);
  return folder;
}

namespace {

using detail::Alert;
using detail::Application;
using detail::KeyWindow;

TEST(KeyWindowTests, TheHostsVisibleWindowIsTheKeyWindowAndAlertsAreSkipped) {
  QMainWindow hidden;
  QMainWindow host;
  host.show();
  EXPECT_EQ(KeyWindow::currentOrOpen(), &host);
  EXPECT_EQ(KeyWindow::ownWindow(), nullptr);

  auto alert = std::make_unique<Alert>("Alert", "No Network");
  alert->showOver(&host);
  alert->activateWindow();
  EXPECT_EQ(KeyWindow::current(), &host);
}

TEST(KeyWindowTests, SeveralWidgetsInTheLayoutAreGatheredIntoOneRootThatMovesAsAWhole) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  auto* top = new QLabel("top");
  layout->addWidget(top);
  layout->addWidget(new QLabel("bottom"));
  host.show();

  QWidget* root = KeyWindow::rootWidget(&host);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->isAncestorOf(top));
  EXPECT_EQ(KeyWindow::rootWidget(&host), root) << "gathered once";
  EXPECT_TRUE(top->isVisible());

  auto* screen = new ViewController;
  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, screen));
  EXPECT_EQ(former.get(), root) << "taken out, not deleted";
  EXPECT_EQ(former->parentWidget(), nullptr);
  EXPECT_EQ(KeyWindow::rootViewController(&host), screen);
  EXPECT_TRUE(screen->isVisible());
}

// A tap on a button or Escape (the cancel action; without one the alert stays) runs one
// handler once, after the alert closed, so a handler may show the next alert.
TEST(AlertTests, EachTapRunsItsHandlerOnceAfterTheAlertClosed) {
  QWidget window;
  window.show();
  QWidget inner(&window);
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "button");
    int okRuns = 0, cancelRuns = 0;
    QPointer<Alert> alert = new Alert("Alert", "No Network");
    const auto tapped = [](int& runs) {
      return [&runs] {
        ++runs;
        EXPECT_TRUE(Alert::openAlerts().isEmpty());
      };
    };
    alert->addAction("OK", Alert::ActionStyle::defaultStyle, tapped(okRuns));
    alert->showOver(&inner);
    EXPECT_EQ(alert->parentWidget(), &window);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    alert->reject();
    EXPECT_EQ(Alert::openAlerts(), QList<Alert*>{alert}) << "no cancel action: stays open";
    alert->addAction("CANCEL", Alert::ActionStyle::cancel, tapped(cancelRuns));
    EXPECT_FALSE(alert->triggerAction("Nope"));

    escape ? alert->reject() : alert->findChildren<QPushButton*>().front()->click();
    EXPECT_FALSE(alert->triggerAction("OK")) << "a closed alert takes no more taps";
    EXPECT_EQ(okRuns, escape ? 0 : 1);
    EXPECT_EQ(cancelRuns, escape ? 1 : 0);
    test::settle();
    EXPECT_FALSE(alert);
  }
}

// Opens `url` through the application and waits (bounded) for its completion.
std::optional<bool> openAndWait(const std::string& url) {
  std::optional<bool> result;
  QThread* completedOn = nullptr;
  Application::shared()->open(url, [&](bool launched) {
    result = launched;
    completedOn = QThread::currentThread();
  });
  EXPECT_FALSE(result.has_value()) << "the completion comes in a later turn";
  EXPECT_TRUE(
      test::processEventsUntil([&] { return result.has_value(); }, std::chrono::seconds(20)));
  EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());
  return result;
}

TEST(ApplicationTests, AnInjectedRegistryAnswersForSchemesInAnyCase) {
  auto registry =
      std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"phonepe"});
  Application::setUrlSchemeRegistry(registry);
  Application* app = Application::shared();
  EXPECT_TRUE(app->canOpenURL("PhonePe://app"));
  EXPECT_FALSE(app->canOpenURL("paytm://app"));
  EXPECT_FALSE(app->canOpenURL("no scheme here"));
  EXPECT_FALSE(app->canOpenURL("1abc://x"));
  EXPECT_EQ(registry->probedSchemes(), (std::vector<std::string>{"phonepe", "paytm"}));

  // (Launches through the registry, with the link unchanged or failing: the UPI screen's tests.)
  EXPECT_EQ(openAndWait("paytm://upi/pay"), false) << "unhandled scheme";
  EXPECT_TRUE(registry->openedUrls().empty());
  Application::setUrlSchemeRegistry(nullptr);
}

// The default registry launches the handler from a thread of its own; a link longer than the
// system passes to a process is reported as not launched.
TEST(GioUrlSchemeRegistryTests, LaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  Application::setUrlSchemeRegistry(nullptr);
  EXPECT_FALSE(Application::shared()->canOpenURL("tarvelnosuchscheme://x"));
  const std::string url = "tarveltestpay://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  ASSERT_EQ(openAndWait(url), true);
  EXPECT_TRUE(test::processEventsUntil([&] {
    std::ifstream file(openedUrlFile);
    return std::string(std::istreambuf_iterator<char>(file), {}) == url;
  })) << "the handler never ran with the URL intact";
  EXPECT_EQ(openAndWait(url + "&tn=" + std::string(256 * 1024, 'x')), false);
}

}  // namespace
}  // namespace tarvel
