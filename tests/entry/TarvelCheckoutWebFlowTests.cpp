#include <chrono>  // seconds
#include <thread>  // this_thread

#include <QPointer>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "WebCheckoutTestPage.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

// The real web checkout, opened by the entry object with the default screen factory.
class TarvelCheckoutWebFlowTests : public test::EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
  }
};

// The checkout page's own answer reaches the host once, with the order's identifiers it was
// opened with. A page of another origin that the checkout page went to claims the payment in
// vain: the host hears only the back button's failure.
TEST_F(TarvelCheckoutWebFlowTests, OnlyTheCheckoutPagesResultReachesTheHostOnce) {
  const std::string foreign = test::foreignPageServer().baseUrl();
  struct Case {
    const char* page;
    std::string requestId;
    bool status;
    Dictionary data;
  };
  const Case cases[] = {
      {"the checkout page",
       "echo",
       true,
       {{"status", "PAID"}, {"moid", "MO-5"}, {"tarvel_oid", "T-5"}}},
      {"another origin", "go:" + foreign + "hostile.html", false, Dictionary::object()},
  };
  showHostWindow();
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.page);
    test::LogCapture log;
    host_ = std::make_shared<test::RecordingHost>();
    TarvelCheckout checkout(false, host_);
    checkout.openCart({{"order_type", "upi"},
                       {"upi_app", "customweb"},
                       {"mid", "M-1"},
                       {"moid", "MO-5"},
                       {"request_id", expected.requestId},
                       {"tarvel_oid", "T-5"}});

    QPointer<NavigationController> navigation = windowNavigation();
    QPointer<CustomeCheckout> screen =
        qobject_cast<CustomeCheckout*>(navigation->topViewController());
    ASSERT_TRUE(screen);
    if (!expected.status) {
      // WebEngine starts its renderer on first use: a generous bound.
      ASSERT_TRUE(test::processEventsUntil(
          [&] {
            return log.contains("message \"onSuccess\" from " +
                                foreign.substr(0, foreign.size() - 1) + " dropped");
          },
          std::chrono::seconds(60)))
          << log.text();
      test::settle();
      EXPECT_TRUE(host_->outcomes().empty());
      screen->backBtnClickAction();
    }
    ASSERT_TRUE(test::processEventsUntil([&] { return !host_->outcomes().empty(); },
                                         std::chrono::seconds(60)));
    ASSERT_TRUE(test::processEventsUntil([&] { return screen.isNull(); }));
    test::settle();

    const auto outcomes = host_->outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, expected.status);
    EXPECT_EQ(outcomes[0].data, expected.data);
    EXPECT_EQ(outcomes[0].thread, std::this_thread::get_id());
    EXPECT_TRUE(test::processEventsUntil([&] { return navigation.isNull(); }))
        << "the shop's window has its own root back";
  }
}

}  // namespace
}  // namespace tarvel
