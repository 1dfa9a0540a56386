// A host linked only with tarvel::checkout: Qt WebEngine comes into the process with the web
// checkout module on the first web order, and a module that is missing or does not load ends
// that order once with an error instead.
#include <chrono>   // seconds
#include <cstdlib>  // setenv, unsetenv
#include <fstream>  // ifstream
#include <sstream>  // ostringstream
#include <string>   // string

#include <QProcess>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "TemporaryDirectory.h"
#include "WebCheckoutTestPage.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

// The UPI screen's verify request is refused at once on loopback rather than sent anywhere.
const bool kLoopbackApi = setenv("TARVEL_STAGING_API_URL", "https://127.0.0.1:1/", 1) == 0;

std::string mappedLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::ostringstream text;
  text << maps.rdbuf();
  return text.str();
}

std::string lddOfThisExecutable() {
  QProcess ldd;
  ldd.start(QStringLiteral("ldd"), {QCoreApplication::applicationFilePath()});
  if (!ldd.waitForFinished(30000)) return "ldd did not finish";
  return ldd.readAllStandardOutput().toStdString();
}

class WebModuleTests : public test::EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
    ASSERT_TRUE(kLoopbackApi);
  }
  void TearDown() override {
    unsetenv("TARVEL_WEB_MODULE_PATH");
    EntryTestFixture::TearDown();
  }

  Dictionary webOrder(const std::string& requestId) const {
    return {{"order_type", "upi"}, {"upi_app", "customweb"},  {"mid", "M-1"},
            {"moid", "MO-5"},      {"request_id", requestId}, {"tarvel_oid", "T-5"}};
  }
};

// Without a usable module the web order ends once with the reason, and a warm-up logs it and
// never calls back. Runs before any module is loaded in this process.
TEST_F(WebModuleTests, AnUnusableModuleEndsTheWebOrderOnceWithItsReason) {
  test::TemporaryDirectory directory;
  struct Case {
    const char* module;
    std::string path;
  };
  const Case cases[] = {
      {"missing", directory.file("libtarvel_web_checkout.so")},
      {"corrupt", directory.write("garbage.so", std::string(4096, '\x7f'))},
  };
  showHostWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    setenv("TARVEL_WEB_MODULE_PATH", c.path.c_str(), 1);
    test::LogCapture log;
    host_ = std::make_shared<test::RecordingHost>();
    TarvelCheckout checkout(false, host_);
    checkout.openCart(webOrder("echo"));
    bool warmedUp = false;
    TarvelCheckout::warmUpWebCheckout([&] { warmedUp = true; });
    ASSERT_TRUE(waitForOutcomes());
    ASSERT_TRUE(test::processEventsUntil([&] { return log.contains("nothing started"); }));
    test::settle();

    const auto outcomes = host_->outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].status);
    const std::string error = outcomes[0].data.value("error", "");
    EXPECT_NE(error.find("web checkout module"), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_TRUE(log.contains(error)) << log.text();
    EXPECT_FALSE(warmedUp);
    EXPECT_EQ(windowNavigation()->viewControllers().size(), 1);
  }
}

// The UPI screen opens without the browser runtime; the web order then brings it in through the
// module and completes through the checkout page.
TEST_F(WebModuleTests, TheWebEngineArrivesWithTheFirstWebOrder) {
  const std::string ldd = lddOfThisExecutable();
  EXPECT_NE(ldd.find("libQt6Widgets"), std::string::npos) << ldd;
  EXPECT_EQ(ldd.find("WebEngine"), std::string::npos) << ldd;
  showHostWindow();
  host_ = std::make_shared<test::RecordingHost>();
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-4"}});
  NavigationController* navigation = windowNavigation();
  ASSERT_TRUE(test::processEventsUntil(
      [&] { return navigation->viewControllers().size() == 2 && navigation->isVisible(); }));
  test::settle();
  EXPECT_EQ(mappedLibraries().find("WebEngine"), std::string::npos);

  checkout.openCart(webOrder("echo"));
  // WebEngine starts its renderer on first use: a generous bound.
  ASSERT_TRUE(test::processEventsUntil(
      [&] {
        for (const auto& outcome : host_->outcomes()) {
          if (outcome.status) return true;
        }
        return false;
      },
      std::chrono::seconds(60)));
  for (const auto& outcome : host_->outcomes()) {
    if (outcome.status) {
      EXPECT_EQ(outcome.data,
                Dictionary({{"status", "PAID"}, {"moid", "MO-5"}, {"tarvel_oid", "T-5"}}));
    }
  }
  const std::string maps = mappedLibraries();
  EXPECT_NE(maps.find("libtarvel_web_checkout"), std::string::npos);
  EXPECT_NE(maps.find("WebEngineCore"), std::string::npos);
}

}  // namespace
}  // namespace tarvel
