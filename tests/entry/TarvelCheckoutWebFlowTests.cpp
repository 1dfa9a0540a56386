#include <chrono>  // seconds
#include <thread>  // this_thread

#include <QPointer>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
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

TEST_F(TarvelCheckoutWebFlowTests, ThePagesResultReachesTheHostOnceAndTheScreenCloses) {
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  checkout.openCart({{"order_type", "upi"},
                     {"upi_app", "customweb"},
                     {"mid", "M-1"},
                     {"moid", "MO-5"},
                     {"request_id", "R-5"},
                     {"tarvel_oid", "T-5"}});

  QPointer<NavigationController> navigation = windowNavigation();
  QPointer<CustomeCheckout> screen =
      qobject_cast<CustomeCheckout*>(navigation->topViewController());
  ASSERT_TRUE(screen);

  // WebEngine starts its renderer on first use: a generous bound.
  ASSERT_TRUE(test::processEventsUntil([&] { return !host_->outcomes().empty(); },
                                       std::chrono::seconds(60)));
  ASSERT_TRUE(test::processEventsUntil([&] { return screen.isNull(); }));
  test::settle();

  const auto outcomes = host_->outcomes();
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_TRUE(outcomes[0].status);
  EXPECT_EQ(outcomes[0].data,
            (Dictionary{{"status", "PAID"}, {"moid", "MO-5"}, {"tarvel_oid", "T-5"}}));
  EXPECT_EQ(outcomes[0].thread, std::this_thread::get_id());
  EXPECT_TRUE(test::processEventsUntil([&] { return navigation.isNull(); }))
      << "the shop's window has its own root back";
}

}  // namespace
}  // namespace tarvel
