// Several flows at once through one entry object, against a working sandbox platform: the web
// checkout over the UPI screen, two modal OTP screens, and three flows together (an OTP sheet
// over a pushed UPI screen while an RTO request runs; a pushed and a modal OTP screen over UPI).
// Each flow must report exactly once, and once all have ended no screen may be left behind.
#include <algorithm>  // count_if

#include <QApplication>

#include "FlowDriving.h"

namespace tarvel::test {
namespace {

using detail::Alert;

// One flow of a scenario: UPI flows are cancelled (their only false outcome, {}), OTP flows
// paid with the OTP the sandbox sent, the web page ("auto-success" moid) and the RTO request
// answer by themselves.
struct Opened {
  Flow flow;
  const char* moid;
};
struct Scenario {
  const char* name;
  std::vector<Opened> flows;
};
void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

class ConcurrentFlowTests : public FlowTest, public ::testing::WithParamInterface<Scenario> {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    ASSERT_TRUE(startPlatform());
    startHost(platformOrigin(), kClientTimeout, {"phonepe"});
  }

  template <typename Screen>
  std::vector<Screen*> screensOfType() const {
    std::vector<Screen*> found;
    for (QWidget* widget : QApplication::allWidgets()) {
      if (auto* screen = qobject_cast<Screen*>(widget)) found.push_back(screen);
    }
    return found;
  }
};

TEST_P(ConcurrentFlowTests, EachFlowReportsOnceAndNoScreenIsLeft) {
  const Scenario& scenario = GetParam();
  for (const Opened& opened : scenario.flows) {
    checkout_->openCart(orderFor(opened.flow, opened.moid));
  }
  // The web page posts "onSuccess" once loaded (Qt WebEngine's first start takes seconds); the
  // RTO answer comes while the screens wait.
  for (const Opened& opened : scenario.flows) {
    if (opened.flow == Flow::web || opened.flow == Flow::rto) {
      ASSERT_TRUE(waitForOutcomes(1, 60s));
    }
  }
  ASSERT_TRUE(rest());
  // Types the OTP into the OTP screens, each once its panel shows, until none is left.
  for (int round = 0; round < 6 && !screensOfType<VerifyOTPViewController>().empty(); ++round) {
    QPointer<VerifyOTPViewController> ready;
    ASSERT_TRUE(processEventsUntil([&] {
      for (auto* screen : screensOfType<VerifyOTPViewController>()) {
        if (child(screen, "viewCODContainer")->isVisible()) ready = screen;
      }
      return !ready.isNull();
    }));
    const auto otp = platform_->lastOtp(ready->getOrderVerifyData().value("moid", ""),
                                        orderFor(Flow::codOtp)["phone"]);
    ASSERT_TRUE(otp);
    typeOtpAndSubmit(ready, *otp);
    ASSERT_TRUE(rest());
    ASSERT_TRUE(processEventsUntil([&] { return ready.isNull(); }));
  }
  // Backs out of every UPI screen: the back button, then "OK" on the cancel question.
  for (auto* screen : screensOfType<UpiCheckoutViewController>()) {
    QPointer<UpiCheckoutViewController> guarded(screen);
    ASSERT_TRUE(leaveByBack(screen));
    ASSERT_TRUE(processEventsUntil([&] { return guarded.isNull(); }));
  }

  ASSERT_TRUE(waitForOutcomes(scenario.flows.size(), 60s));
  settle();
  const auto outcomes = host_->outcomes();
  ASSERT_EQ(outcomes.size(), scenario.flows.size());
  for (const Opened& opened : scenario.flows) {
    const bool upi = opened.flow == Flow::upiTiles;
    const auto reports = std::count_if(outcomes.begin(), outcomes.end(), [&](const auto& o) {
      const Dictionary& data = o.data;
      const bool itsMoid =
          data.is_object() && (data.value("moid", "") == opened.moid ||
                               (data.contains("data") && data["data"].is_object() &&
                                data["data"].value("moid", "") == opened.moid) ||
                               (upi && data.empty()));
      return o.status == !upi && itsMoid;
    });
    EXPECT_EQ(reports, 1) << opened.moid;
  }
  ASSERT_TRUE(processEventsUntil([&] { return screensOfType<CheckoutScreen>().empty(); }));
  EXPECT_TRUE(processEventsUntil([&] { return windowNavigation() == nullptr; }))
      << "the shop's window has its own root back";
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
  EXPECT_EQ(service_->repeatedCompletions(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ConcurrentFlowTests,
                         ::testing::Values(Scenario{"WebCheckoutOverUpi",
                                                    {{Flow::upiTiles, "upi-under-web"},
                                                     {Flow::web, "auto-success-web-over-upi"}}},
                                           Scenario{"TwoModalOtpScreens",
                                                    {{Flow::codOtpSheet, "otp-modal-1"},
                                                     {Flow::codOtpSheet, "otp-modal-2"}}},
                                           Scenario{"ThreeFlowsAtOnce",
                                                    {{Flow::upiTiles, "upi-of-three"},
                                                     {Flow::codOtpSheet, "otp-of-three"},
                                                     {Flow::rto, "rto-of-three"}}},
                                           Scenario{"UpiBelowTwoOtpScreens",
                                                    {{Flow::upiTiles, "upi-below-two"},
                                                     {Flow::codOtp, "otp-pushed-of-three"},
                                                     {Flow::codOtpSheet, "otp-modal-of-three"}}}),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tarvel::test
