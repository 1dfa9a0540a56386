#include <gtest/gtest.h>

#include <filesystem>  // exists
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <memory>      // make_shared
#include <optional>    // optional
#include <string>      // string
#include <vector>      // vector

#include <QThread>

#include "PlatformTestProcess.h"
#include "QtTestMain.h"
#include "platform/Application.h"
#include "platform/GioUrlSchemeRegistry.h"
#include "platform/InstalledSchemesRegistry.h"

namespace tarvel {
namespace {

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
      std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "gpay"});
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

// The default registry is GIO's, reading the private XDG folders of this process.
TEST(ApplicationTests, GioLaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  GioUrlSchemeRegistry registry;
  EXPECT_TRUE(registry.hasHandler(test::kRegisteredScheme));
  EXPECT_FALSE(registry.hasHandler("tarvelnosuchscheme"));
  std::optional<bool> unknown;
  registry.open("tarvelnosuchscheme://x", [&](bool launched) { unknown = launched; });
  EXPECT_EQ(unknown, false);

  const std::string url = std::string(test::kRegisteredScheme) +
                          "://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  ASSERT_EQ(openAndWait(url), true);
  const std::string output = test::registeredHandlerOutputFile();
  ASSERT_TRUE(test::processEventsUntil([&] { return std::filesystem::exists(output); }))
      << "the handler never ran";
  std::ifstream file(output);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), url);
}

}  // namespace
}  // namespace tarvel
