#include <gtest/gtest.h>

#include <chrono>      // milliseconds, steady_clock
#include <filesystem>  // exists
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <memory>      // make_shared
#include <optional>    // optional
#include <string>      // string
#include <vector>      // vector

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>

#include "PlatformTestProcess.h"
#include "platform/Application.h"
#include "platform/GioUrlSchemeRegistry.h"
#include "platform/InstalledSchemesRegistry.h"
#include "platform/Normalize.h"
#include "platform/UrlScheme.h"

namespace tarvel {
namespace {

using std::chrono::milliseconds;

template <typename Predicate>
bool processEventsUntil(Predicate done, milliseconds bound = milliseconds(10000)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class ApplicationTests : public ::testing::Test {
 protected:
  void SetUp() override { Application::setUrlSchemeRegistry(registry_); }
  void TearDown() override { Application::setUrlSchemeRegistry(nullptr); }

  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "gpay"});
};

TEST_F(ApplicationTests, CanOpenUrlAsksTheRegistryForTheLowerCaseScheme) {
  Application* app = Application::shared();
  EXPECT_TRUE(app->canOpenURL("phonepe://app"));
  EXPECT_TRUE(app->canOpenURL("PhonePe://app"));
  EXPECT_FALSE(app->canOpenURL("paytm://app"));
  EXPECT_FALSE(app->canOpenURL("no scheme here"));
  EXPECT_FALSE(app->canOpenURL(""));
  EXPECT_EQ(registry_->probedSchemes(), (std::vector<std::string>{"phonepe", "phonepe", "paytm"}));
}

TEST_F(ApplicationTests, OpenPassesTheUrlUnchangedAndCompletesLaterOnTheMainThread) {
  const std::string url = "phonepe://upi/pay?pa=shop%40bank&tn=Order%201&am=10.00";
  std::optional<bool> result;
  QThread* completedOn = nullptr;
  Application::shared()->open(url, [&](bool launched) {
    result = launched;
    completedOn = QThread::currentThread();
  });
  EXPECT_FALSE(result.has_value()) << "the completion comes in a later turn";
  ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }));
  EXPECT_TRUE(*result);
  EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());
  EXPECT_EQ(registry_->openedUrls(), (std::vector<std::string>{url}));
}

TEST_F(ApplicationTests, OpeningAnUnhandledSchemeFailsWithoutLaunching) {
  std::optional<bool> result;
  Application::shared()->open("paytm://upi/pay", [&](bool launched) { result = launched; });
  ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }));
  EXPECT_FALSE(*result);
  EXPECT_TRUE(registry_->openedUrls().empty());
}

TEST_F(ApplicationTests, AFailedLaunchIsReported) {
  registry_->setLaunchSucceeds(false);
  std::optional<bool> result;
  Application::shared()->open("gpay://upi/pay", [&](bool launched) { result = launched; });
  ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }));
  EXPECT_FALSE(*result);
}

TEST_F(ApplicationTests, ForegroundChangesSignalOncePerChange) {
  Application* app = Application::shared();
  int becameActive = 0;
  int resigned = 0;
  QObject receiver;
  QObject::connect(app, &Application::didBecomeActive, &receiver, [&] { ++becameActive; });
  QObject::connect(app, &Application::willResignActive, &receiver, [&] { ++resigned; });

  app->applyApplicationState(Qt::ApplicationActive);
  becameActive = 0;
  app->applyApplicationState(Qt::ApplicationInactive);
  app->applyApplicationState(Qt::ApplicationHidden);
  EXPECT_EQ(resigned, 1);
  EXPECT_FALSE(app->isActive());
  app->applyApplicationState(Qt::ApplicationActive);
  EXPECT_EQ(becameActive, 1);
  EXPECT_TRUE(app->isActive());
}

TEST_F(ApplicationTests, FollowsQtApplicationStateChanges) {
  Application* app = Application::shared();
  int resigned = 0;
  QObject receiver;
  QObject::connect(app, &Application::willResignActive, &receiver, [&] { ++resigned; });
  app->applyApplicationState(Qt::ApplicationActive);
  emit static_cast<QGuiApplication*>(QCoreApplication::instance())
      ->applicationStateChanged(Qt::ApplicationSuspended);
  EXPECT_EQ(resigned, 1);
}

TEST(UrlSchemeTests, SchemeIsTheLowerCasedPrefixBeforeTheColon) {
  EXPECT_EQ(urlScheme("PhonePe://pay"), "phonepe");
  EXPECT_EQ(urlScheme("upi://pay?pa=a"), "upi");
  EXPECT_EQ(urlScheme("com.bank+x-1:rest"), "com.bank+x-1");
  EXPECT_EQ(urlScheme("://nothing"), "");
  EXPECT_EQ(urlScheme("1abc://x"), "");
  EXPECT_EQ(urlScheme("no colon"), "");
  EXPECT_EQ(urlScheme("sp ace://x"), "");
}

TEST(GioUrlSchemeRegistryTests, FindsTheHandlerRegisteredInThePrivateDesktopFolders) {
  GioUrlSchemeRegistry registry;
  EXPECT_TRUE(registry.hasHandler(test::kRegisteredScheme));
  EXPECT_FALSE(registry.hasHandler("tarvelnosuchscheme"));
}

TEST(GioUrlSchemeRegistryTests, LaunchesTheHandlerWithThePercentEscapesIntact) {
  Application::setUrlSchemeRegistry(nullptr);  // the default: GIO
  const std::string url = std::string(test::kRegisteredScheme) +
                          "://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  std::optional<bool> result;
  Application::shared()->open(url, [&](bool launched) { result = launched; });
  ASSERT_TRUE(processEventsUntil([&] { return result.has_value(); }));
  EXPECT_TRUE(*result);

  const std::string output = test::registeredHandlerOutputFile();
  ASSERT_TRUE(processEventsUntil([&] { return std::filesystem::exists(output); }))
      << "the handler never ran";
  std::ifstream file(output);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), url);
}

TEST(GioUrlSchemeRegistryTests, OpeningAnUnknownSchemeReportsFalse) {
  GioUrlSchemeRegistry registry;
  std::optional<bool> result;
  registry.open("tarvelnosuchscheme://x", [&](bool launched) { result = launched; });
  ASSERT_TRUE(result.has_value());
  EXPECT_FALSE(*result);
}

TEST(NormalizeTests, ScalesByThePrimaryScreenWidthOver375) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const double width = screen->geometry().width();
  EXPECT_DOUBLE_EQ(normalize(20), width / 375.0 * 20);
  EXPECT_DOUBLE_EQ(normalize(375), width);
  EXPECT_DOUBLE_EQ(normalize(0), 0);
}

}  // namespace
}  // namespace tarvel
