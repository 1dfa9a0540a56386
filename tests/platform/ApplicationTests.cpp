#include <memory>    // make_shared
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

#include <QThread>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "QtWait.h"
#include "platform/Application.h"

namespace tarvel {
namespace {

using detail::Application;

// Opens `url` through the application and waits (bounded) for its completion.
std::optional<bool> openAndWait(const std::string& url) {
  std::optional<bool> result;
  QThread* completedOn = nullptr;
  Application::shared()->open(url, [&](bool launched) {
    result = launched;
    completedOn = QThread::currentThread();
  });
  EXPECT_FALSE(result.has_value()) << "the completion comes in a later turn";
  EXPECT_TRUE(test::processEventsUntil([&] { return result.has_value(); }));
  EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());
  return result;
}

TEST(ApplicationTests, AnInjectedRegistryAnswersAndLaunchesWithTheUrlUnchanged) {
  auto registry =
      std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "gpay"});
  Application::setUrlSchemeRegistry(registry);
  Application* app = Application::shared();
  EXPECT_TRUE(app->canOpenURL("PhonePe://app"));
  EXPECT_FALSE(app->canOpenURL("paytm://app"));
  EXPECT_FALSE(app->canOpenURL("no scheme here"));
  EXPECT_FALSE(app->canOpenURL("1abc://x"));
  EXPECT_EQ(registry->probedSchemes(), (std::vector<std::string>{"phonepe", "paytm"}));

  const std::string url = "phonepe://upi/pay?pa=shop%40bank&tn=Order%201&am=10.00";
  EXPECT_EQ(openAndWait(url), true);
  EXPECT_EQ(openAndWait("paytm://upi/pay"), false) << "unhandled scheme";
  registry->setLaunchSucceeds(false);
  EXPECT_EQ(openAndWait("gpay://upi/pay"), false) << "failed launch";
  EXPECT_EQ(registry->openedUrls(), (std::vector<std::string>{url, "gpay://upi/pay"}));
  Application::setUrlSchemeRegistry(nullptr);
}

}  // namespace
}  // namespace tarvel
