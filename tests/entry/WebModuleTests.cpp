// A host linked only with tarvel::checkout: Qt WebEngine comes into the process with the web
// checkout module on the first web order, and a module that is missing or does not load ends
// that order once with an error instead. (Which pages the web checkout listens to is the web
// checkout screen's own test.)
#include <chrono>   // seconds
#include <cstdlib>  // setenv, unsetenv
#include <fstream>  // ifstream
#include <sstream>  // ostringstream
#include <string>   // string

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "TemporaryDirectory.h"
#include "tarvel/CheckoutScreen.h"

namespace tarvel::test {
namespace {

// The UPI screen's verify request is refused at once on loopback rather than sent anywhere.
const bool kLoopbackApi = setenv("TARVEL_STAGING_API_URL", "https://127.0.0.1:1/", 1) == 0;

std::string mappedLibraries() {
  std::ostringstream text;
  text << std::ifstream("/proc/self/maps").rdbuf();
  return text.str();
}

class WebModuleTests : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
    ASSERT_TRUE(kLoopbackApi);
    showHostWindow();
  }
  void TearDown() override {
    unsetenv("TARVEL_WEB_MODULE_PATH");
    EntryTestFixture::TearDown();
  }
  // Opens a web order whose page answers at once and returns its one outcome once its screen
  // is gone.
  RecordingHost::Outcome runWebOrder() {
    host_ = std::make_shared<RecordingHost>();
    TarvelCheckout checkout(false, host_);
    checkout.openCart({{"order_type", "upi"},
                       {"upi_app", "customweb"},
                       {"mid", "M-1"},
                       {"moid", "MO-5"},
                       {"request_id", "echo"},
                       {"tarvel_oid", "T-5"}});
    NavigationController* navigation = windowNavigation();
    QPointer<CheckoutScreen> screen =
        navigation ? qobject_cast<CheckoutScreen*>(navigation->topViewController()) : nullptr;
    // WebEngine starts its renderer on first use: a generous bound.
    EXPECT_TRUE(waitForOutcomes(1, std::chrono::seconds(60)));
    EXPECT_TRUE(processEventsUntil([&] { return screen.isNull(); }));
    settle();
    const auto outcomes = host_->outcomes();
    EXPECT_EQ(outcomes.size(), 1u);
    for (const auto& outcome : outcomes) EXPECT_EQ(outcome.thread, std::this_thread::get_id());
    return outcomes.empty() ? RecordingHost::Outcome{} : outcomes.front();
  }
};

// Without a usable module the web order ends once with the reason, and a warm-up logs it and
// never calls back. Runs before any module is loaded in this process.
TEST_F(WebModuleTests, AnUnusableModuleEndsTheWebOrderOnceWithItsReason) {
  TemporaryDirectory directory;
  for (const std::string& path : {directory.file("libtarvel_web_checkout.so"),
                                  directory.write("garbage.so", std::string(4096, '\x7f'))}) {
    SCOPED_TRACE(path);  // missing, then corrupt
    setenv("TARVEL_WEB_MODULE_PATH", path.c_str(), 1);
    LogCapture log;
    bool warmedUp = false;
    TarvelCheckout::warmUpWebCheckout([&] { warmedUp = true; });
    const auto outcome = runWebOrder();
    ASSERT_TRUE(processEventsUntil([&] { return log.contains("nothing started"); }));
    EXPECT_FALSE(outcome.status);
    const std::string error = outcome.data.value("error", "");
    EXPECT_NE(error.find("web checkout module"), std::string::npos) << error;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_TRUE(log.contains(error)) << log.text();
    EXPECT_FALSE(warmedUp);
    EXPECT_EQ(windowNavigation()->viewControllers().size(), 1);
  }
}

// The UPI screen opens without the browser runtime in the process; the web order then brings it
// in through the module and completes through the checkout page with the order's identifiers.
// (That a host linked with the component alone links no Qt WebEngine, the installed-package
// test checks with ldd.)
TEST_F(WebModuleTests, TheWebEngineArrivesWithTheFirstWebOrder) {
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "upi"}, {"mid", "M-1"}, {"moid", "MO-4"}});
  NavigationController* navigation = windowNavigation();
  ASSERT_TRUE(processEventsUntil(
      [&] { return navigation->viewControllers().size() == 2 && navigation->isVisible(); }));
  settle();
  EXPECT_EQ(mappedLibraries().find("WebEngine"), std::string::npos);

  const auto paid = runWebOrder();
  EXPECT_TRUE(paid.status);
  EXPECT_EQ(paid.data, Dictionary({{"status", "PAID"}, {"moid", "MO-5"}, {"tarvel_oid", "T-5"}}));
  const std::string maps = mappedLibraries();
  EXPECT_NE(maps.find("libtarvel_web_checkout"), std::string::npos);
  EXPECT_NE(maps.find("WebEngineCore"), std::string::npos);
}

}  // namespace
}  // namespace tarvel::test
