// Several flows at once through one entry object, against a working sandbox platform: the web
// checkout over the UPI QR code (paid), two modal OTP screens, and three flows together (an OTP
// sheet over a pushed UPI screen while an RTO request runs; a pushed and a modal OTP screen over
// UPI). Each flow must report exactly once, and once all have ended no screen may be left behind.
// No secret reaches the log meanwhile: every line the component logs and every Qt message is
// searched for the auth tokens the sandbox issued, the OTPs it sent and the shopper's phone.
// The UPI and OTP orders are "chatty": the platform's answers carry the token under other key
// names too, the phone under other keys and in a note, and the OTP in a text message.
#include <algorithm>  // any_of, count_if
#include <mutex>      // mutex, lock_guard

#include <QApplication>

#include "FlowDriving.h"
#include "LogCapture.h"
#include "tarvel/TarvelChekoutViewModel.h"

namespace tarvel::test {
namespace {

using detail::Alert;

// Qt's own messages (the component's category included), while a test runs.
std::mutex qtMutex;
std::vector<std::string> qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  std::lock_guard<std::mutex> lock(qtMutex);
  qtMessages.push_back(message.toStdString());
}

// One flow of a scenario: UPI tiles are cancelled (their only false outcome, {}), the UPI QR
// code is paid at its second status poll (its scenario shows the QR code with apps installed),
// OTP flows paid with the OTP the sandbox sent, the web page ("auto-success" moid) and the RTO
// request answer by themselves.
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
    previousHandler_ = qInstallMessageHandler(recordQtMessage);
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    FlowTest::TearDown();
  }

  template <typename Screen>
  std::vector<Screen*> screensOfType() const {
    std::vector<Screen*> found;
    for (QWidget* widget : QApplication::allWidgets()) {
      if (auto* screen = qobject_cast<Screen*>(widget)) found.push_back(screen);
    }
    return found;
  }
  QtMessageHandler previousHandler_ = nullptr;
};

TEST_P(ConcurrentFlowTests, EachFlowReportsOnceAndNoScreenIsLeft) {
  const Scenario& scenario = GetParam();
  LogCapture log;
  std::set<std::string> tokens, otps;
  for (const Opened& opened : scenario.flows) {
    Dictionary order = orderFor(opened.flow, opened.moid);
    if (opened.flow == Flow::upiQr) order["sandbox_scenario"] = "no-uapp,paid-after-2,chatty";
    checkout_->openCart(order);
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
    otps.insert(*otp);
    typeOtpAndSubmit(ready, *otp);
    ASSERT_TRUE(rest());
    ASSERT_TRUE(processEventsUntil([&] { return ready.isNull(); }));
  }
  // The QR code's status polls, five seconds apart, until the sandbox reports it paid.
  const auto qr = std::count_if(scenario.flows.begin(), scenario.flows.end(),
                                [](const Opened& opened) { return opened.flow == Flow::upiQr; });
  const std::size_t awaited = host_->outcomes().size() + std::size_t(qr);
  for (auto* screen : screensOfType<UpiCheckoutViewController>()) {
    tokens.insert(screen->viewModel()->getOrderVerifyData().value("auth_token", ""));
  }
  for (int tick = 0; tick < 24 && host_->outcomes().size() < awaited; ++tick) {
    clock_->advance(5s);
    ASSERT_TRUE(rest());
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
    const bool upi = opened.flow == Flow::upiTiles;  // cancelled
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
  EXPECT_FALSE(platform_->events().empty()) << "no analytics event reached the platform";

  // Everything logged. An OTP counts as leaked only as an OTP key's value or in the text
  // message, which no port can make up by chance.
  // The tokens of the orders the sandbox verified: those the UPI screens held, and those the
  // outcomes name.
  for (const auto& outcome : outcomes) {
    const Dictionary& data = outcome.data;
    if (data.is_object() && data.contains("tarvel_oid") && data["tarvel_oid"].is_string()) {
      if (auto order = platform_->order(data["tarvel_oid"].get<std::string>())) {
        tokens.insert(order->authToken);
      }
    }
  }
  tokens.erase("");
  ASSERT_FALSE(tokens.empty());
  std::vector<std::string> lines = log.lines();
  {
    std::lock_guard<std::mutex> lock(qtMutex);
    lines.insert(lines.end(), qtMessages.begin(), qtMessages.end());
    qtMessages.clear();
  }
  ASSERT_GT(lines.size(), 10u);  // the flows did log
  const std::string phone = orderFor(Flow::codOtp)["phone"];
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(phone), std::string::npos) << "phone number logged: " << line;
    for (const auto& token : tokens) {
      EXPECT_EQ(line.find(token), std::string::npos) << "auth token logged: " << line;
    }
    for (const auto& otp : otps) {
      for (const std::string& leak :
           {"\"otp\":\"" + otp + "\"", "\"otp\": \"" + otp + "\"", "otp=" + otp, "\"otp\":" + otp,
            "\"otp\": " + otp, "\"otp_code\":\"" + otp, "OTP is " + otp}) {
        EXPECT_EQ(line.find(leak), std::string::npos) << "OTP logged: " << line;
      }
    }
  }
  // The OTP did travel: the verification request carried it. The phone and the text message
  // were logged, masked.
  if (otps.empty()) return;
  for (const std::string& logged : {std::string("v1/user/verify-otp"), "******" + phone.substr(6),
                                    std::string("Your Tarvel OTP is <redacted>")}) {
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(logged) != std::string::npos;
    })) << logged;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ConcurrentFlowTests,
    ::testing::Values(Scenario{"WebCheckoutOverUpi",
                               {{Flow::upiQr, "qr-under-web"},
                                {Flow::web, "auto-success-web-over-upi"}}},
                      Scenario{"TwoModalOtpScreens",
                               {{Flow::codOtpSheet, "chatty-otp-modal-1"},
                                {Flow::codOtpSheet, "chatty-otp-modal-2"}}},
                      Scenario{"ThreeFlowsAtOnce",
                               {{Flow::upiTiles, "chatty-upi-of-three"},
                                {Flow::codOtpSheet, "chatty-otp-of-three"},
                                {Flow::rto, "rto-of-three"}}},
                      Scenario{"UpiBelowTwoOtpScreens",
                               {{Flow::upiTiles, "chatty-upi-below-two"},
                                {Flow::codOtp, "chatty-otp-pushed-of-three"},
                                {Flow::codOtpSheet, "chatty-otp-modal-of-three"}}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvel::test
