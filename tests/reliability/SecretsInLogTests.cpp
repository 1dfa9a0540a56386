// Secrets never reach the log: full flows against the sandbox platform (UPI by QR code until
// paid, cash on delivery with the OTP the sandbox issued, the hosted web checkout, RTO
// tracking), with every line the component logs and every Qt message captured, then searched
// for the auth token the sandbox issued, for the OTP it sent and for the shopper's phone. The
// orders are "chatty": the platform's answers carry the token under other key names as well,
// the phone under other keys and in a note, and the OTP in a text message.
#include <algorithm>  // any_of
#include <random>     // random_device

#include <QWebEnginePage>
#include <QWebEngineView>

#include "FlowDriving.h"
#include "LogCapture.h"
#include "UniqueMarker.h"
#include "tarvel/TarvelChekoutViewModel.h"

namespace tarvel::test {
namespace {

// Qt's own messages (the component's category included), while the test runs.
std::mutex qtMutex;
std::vector<std::string> qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  std::lock_guard<std::mutex> lock(qtMutex);
  qtMessages.push_back(message.toStdString());
}

class SecretsInLogTests : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    previousHandler_ = qInstallMessageHandler(recordQtMessage);
  }
  void TearDown() override {
    qInstallMessageHandler(previousHandler_);
    FlowTest::TearDown();
  }
  QtMessageHandler previousHandler_ = nullptr;
};

TEST_F(SecretsInLogTests, NeitherTheAuthTokenNorTheIssuedOtpIsLoggedInAnyFlow) {
  ASSERT_TRUE(startPlatform());
  startHost(platformOrigin(), kClientTimeout);
  LogCapture log;
  const std::string moid = uniqueMarker("secrets");
  const std::string phone = "9" + std::to_string(100000000 + std::random_device()() % 900000000);
  std::set<std::string> tokens;

  // UPI by QR code (no app installed), paid at the second status poll.
  Dictionary order = orderFor(Flow::upiQr, moid + "-upi");
  order.update({{"phone", phone}, {"sandbox_scenario", "paid-after-2,chatty"}});
  checkout_->openCart(order);
  QPointer<UpiCheckoutViewController> upi =
      qobject_cast<UpiCheckoutViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(upi);
  ASSERT_TRUE(processEventsUntil([&] {
    return upi && upi->viewModel()->getOrderVerifyData().is_object() &&
           upi->viewModel()->getOrderVerifyData().contains("auth_token");
  }));
  tokens.insert(upi->viewModel()->getOrderVerifyData().value("auth_token", ""));
  for (int tick = 0; tick < 24 && host_->outcomes().empty(); ++tick) {
    clock_->advance(std::chrono::seconds(5));
    waitForOutcomes(1, std::chrono::seconds(2));
  }
  ASSERT_TRUE(waitForOutcomes(1));
  EXPECT_TRUE(host_->outcomes()[0].status);

  // Cash on delivery: the OTP the sandbox sent, typed and accepted.
  // The moid names the scenario: the OTP may be sent before the verification creates the order.
  const std::string codMoid = "chatty-" + moid + "-cod";
  order = orderFor(Flow::codOtp, codMoid);
  order["phone"] = phone;
  checkout_->openCart(order);
  QPointer<VerifyOTPViewController> cod =
      qobject_cast<VerifyOTPViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(cod);
  ASSERT_TRUE(processEventsUntil([&] {
    return platform_->lastOtp(codMoid, phone).has_value() && cod &&
           child(cod, "viewCODContainer")->isVisible();
  }));
  const std::string otp = *platform_->lastOtp(codMoid, phone);
  ASSERT_EQ(otp.size(), 4u);
  typeOtpAndSubmit(cod, otp);
  ASSERT_TRUE(waitForOutcomes(2));
  EXPECT_TRUE(host_->outcomes()[1].status);
  EXPECT_EQ(host_->outcomes()[1].data.value("otp_verified", false), true);

  // The hosted web checkout: the shopper presses "Pay now" on the sandbox's page.
  checkout_->openCart(orderFor(Flow::web, moid + "-web"));
  QPointer<CustomeCheckout> web =
      qobject_cast<CustomeCheckout*>(windowNavigation()->topViewController());
  ASSERT_TRUE(web && web->webView());
  auto loaded = std::make_shared<bool>(false);
  QObject::connect(web->webView(), &QWebEngineView::loadFinished,
                   [loaded](bool ok) { *loaded = *loaded || ok; });
  ASSERT_TRUE(processEventsUntil([&] { return *loaded; }, std::chrono::seconds(60)));
  web->webView()->page()->runJavaScript("document.getElementById('pay').click()");
  ASSERT_TRUE(waitForOutcomes(3, std::chrono::seconds(60)));
  EXPECT_TRUE(host_->outcomes()[2].status);

  // RTO tracking, no screen.
  checkout_->openCart(orderFor(Flow::rto, moid + "-rto"));
  ASSERT_TRUE(waitForOutcomes(4));
  settle();

  // The tokens of every order the sandbox verified in these flows.
  for (const auto& outcome : host_->outcomes()) {
    const Dictionary& data = outcome.data;
    if (data.is_object() && data.contains("tarvel_oid") && data["tarvel_oid"].is_string()) {
      if (auto order = platform_->order(data["tarvel_oid"].get<std::string>())) {
        tokens.insert(order->authToken);
      }
    }
  }
  tokens.erase("");
  ASSERT_FALSE(tokens.empty());
  EXPECT_FALSE(platform_->events().empty()) << "no analytics event reached the platform";

  // Everything logged. The OTP counts as leaked only as an OTP key's value, which no port can
  // make up by chance.
  std::vector<std::string> lines = log.lines();
  {
    std::lock_guard<std::mutex> lock(qtMutex);
    lines.insert(lines.end(), qtMessages.begin(), qtMessages.end());
  }
  ASSERT_GT(lines.size(), 10u);  // the flows did log
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(phone), std::string::npos) << "phone number logged: " << line;
    for (const auto& token : tokens) {
      EXPECT_EQ(line.find(token), std::string::npos) << "auth token logged: " << line;
    }
    for (const std::string& leak :
         {"\"otp\":\"" + otp + "\"", "\"otp\": \"" + otp + "\"", "otp=" + otp, "\"otp\":" + otp,
          "\"otp\": " + otp, "\"otp_code\":\"" + otp, "OTP is " + otp}) {
      EXPECT_EQ(line.find(leak), std::string::npos) << "OTP logged: " << line;
    }
  }
  // The OTP did travel: the verification request carried it under "otp". The phone and the
  // text message were logged, masked.
  const std::string maskedPhone = "******" + phone.substr(6);
  for (const std::string& logged : {std::string("v1/user/verify-otp"), maskedPhone,
                                    std::string("Your Tarvel OTP is <redacted>")}) {
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(logged) != std::string::npos;
    })) << logged;
  }
}

}  // namespace
}  // namespace tarvel::test
