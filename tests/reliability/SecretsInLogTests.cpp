// Secrets never reach the log: full flows against the sandbox platform (UPI by QR code until
// paid, cash on delivery with the OTP the sandbox issued, the hosted web checkout, RTO
// tracking), with every line the component logs and every Qt message captured, then searched
// for the auth token the sandbox issued, for the OTP it sent and for the shopper's phone. The
// orders are "chatty": the platform's answers carry the token under other key names as well,
// the phone under other keys and in a note, and the OTP in a text message.
#include <algorithm>  // any_of
#include <chrono>     // seconds
#include <memory>     // make_shared, unique_ptr
#include <mutex>      // mutex, lock_guard
#include <set>        // set
#include <string>     // string
#include <vector>     // vector

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "FlowDriving.h"
#include "InstalledSchemesRegistry.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "SecretsSandbox.h"
#include "UniqueMarker.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelChekoutViewModel.h"

namespace tarvel::test {
namespace {

// Qt's own messages (the component's category included) while a test runs.
std::mutex qtMutex;
std::vector<std::string> qtMessages;

void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
  std::lock_guard<std::mutex> lock(qtMutex);
  qtMessages.push_back(message.toStdString());
}

class SecretsInLogTests : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler_ = qInstallMessageHandler(recordQtMessage);
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
    detail::Application::setUrlSchemeRegistry(std::make_shared<InstalledSchemesRegistry>());
    window_ = std::make_unique<QMainWindow>();
    window_->setCentralWidget(new QLabel("host shop"));
    window_->resize(375, 667);
    window_->show();
    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
  }
  void TearDown() override {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
    checkout_.reset();
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
    detail::Application::setUrlSchemeRegistry(nullptr);
    detail::MainQueue::setClock(nullptr);
    qInstallMessageHandler(previousHandler_);
  }

  bool waitForOutcomes(std::size_t count, std::chrono::seconds bound = std::chrono::seconds(30)) {
    return processEventsUntil([&] { return host_->taken().size() >= count; }, bound);
  }

  // Everything logged, with the sandbox's origin taken out (its port is not a secret, and a
  // port may contain the OTP's four digits by chance).
  std::vector<std::string> loggedLines() const {
    std::vector<std::string> lines = log_.lines();
    {
      std::lock_guard<std::mutex> lock(qtMutex);
      lines.insert(lines.end(), qtMessages.begin(), qtMessages.end());
    }
    const std::string origin = secretsSandbox().origin();
    for (auto& line : lines) {
      for (auto at = line.find(origin); at != std::string::npos; at = line.find(origin)) {
        line.erase(at, origin.size());
      }
    }
    return lines;
  }

  LogCapture log_;
  QtMessageHandler previousHandler_ = nullptr;
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<RecordingHost> host_ = std::make_shared<RecordingHost>();
  std::unique_ptr<QMainWindow> window_;
  std::shared_ptr<TarvelCheckout> checkout_;
};

TEST_F(SecretsInLogTests, NeitherTheAuthTokenNorTheIssuedOtpIsLoggedInAnyFlow) {
  const std::string moid = uniqueMarker("secrets");
  const std::string phone = "9" + std::to_string(100000000 + std::random_device()() % 900000000);
  std::set<std::string> tokens;
  std::string otp;

  // UPI by QR code (no app installed), paid at the second status poll.
  checkout_->openCart({{"order_type", "upi"},
                       {"mid", "m-secrets"},
                       {"moid", moid + "-upi"},
                       {"request_id", "r-upi"},
                       {"phone", phone},
                       {"total", "499.00"},
                       {"sandbox_scenario", "paid-after-2,chatty"}});
  QPointer<UpiCheckoutViewController> upi =
      qobject_cast<UpiCheckoutViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(upi);
  ASSERT_TRUE(processEventsUntil([&] {
    return upi && upi->viewModel()->getOrderVerifyData().is_object() &&
           upi->viewModel()->getOrderVerifyData().contains("auth_token");
  }));
  tokens.insert(upi->viewModel()->getOrderVerifyData().value("auth_token", ""));
  for (int tick = 0; tick < 24 && host_->taken().empty(); ++tick) {
    clock_->advance(std::chrono::seconds(5));
    processEventsUntil([&] { return !host_->taken().empty(); }, std::chrono::seconds(2));
  }
  ASSERT_TRUE(waitForOutcomes(1));
  EXPECT_TRUE(host_->taken()[0].first);

  // Cash on delivery: the OTP the sandbox sent, typed and accepted.
  // The moid names the scenario: the OTP may be sent before the verification creates the order.
  const std::string codMoid = "chatty-" + moid + "-cod";
  checkout_->openCart({{"order_type", "cod"},
                       {"upi_app", "paytm"},
                       {"mid", "m-secrets"},
                       {"moid", codMoid},
                       {"request_id", "r-cod"},
                       {"phone", phone},
                       {"total", "1499"}});
  QPointer<VerifyOTPViewController> cod =
      qobject_cast<VerifyOTPViewController*>(windowNavigation()->topViewController());
  ASSERT_TRUE(cod);
  ASSERT_TRUE(processEventsUntil([&] {
    return secretsSandbox().lastOtp(codMoid, phone).has_value() && cod &&
           child(cod, "viewCODContainer")->isVisible();
  }));
  otp = *secretsSandbox().lastOtp(codMoid, phone);
  ASSERT_EQ(otp.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    auto* field =
        qobject_cast<QLineEdit*>(child(cod, ("textField" + std::to_string(i + 1)).c_str()));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    QTest::keyClick(field, otp[static_cast<std::size_t>(i)]);
  }
  auto* submit = qobject_cast<QPushButton*>(child(cod, "buttonSubmitOTP"));
  ASSERT_TRUE(processEventsUntil([&] { return submit->isEnabled(); }));
  submit->click();
  ASSERT_TRUE(waitForOutcomes(2));
  EXPECT_TRUE(host_->taken()[1].first);
  EXPECT_EQ(host_->taken()[1].second.value("otp_verified", false), true);

  // The hosted web checkout: the shopper presses "Pay now" on the sandbox's page.
  checkout_->openCart({{"order_type", "upi"},
                       {"upi_app", "customweb"},
                       {"mid", "m-secrets"},
                       {"moid", moid + "-web"},
                       {"request_id", "r-web"},
                       {"tarvel_oid", "tvl-" + moid}});
  QPointer<CustomeCheckout> web =
      qobject_cast<CustomeCheckout*>(windowNavigation()->topViewController());
  ASSERT_TRUE(web && web->webView());
  auto loaded = std::make_shared<bool>(false);
  QObject::connect(web->webView(), &QWebEngineView::loadFinished,
                   [loaded](bool ok) { *loaded = *loaded || ok; });
  ASSERT_TRUE(processEventsUntil([&] { return *loaded; }, std::chrono::seconds(60)));
  web->webView()->page()->runJavaScript("document.getElementById('pay').click()");
  ASSERT_TRUE(waitForOutcomes(3, std::chrono::seconds(60)));
  EXPECT_TRUE(host_->taken()[2].first);

  // RTO tracking, no screen.
  checkout_->openCart({{"order_type", "non-vx"}, {"request_id", "r-rto"}, {"moid", moid + "-rto"}});
  ASSERT_TRUE(waitForOutcomes(4));
  settle();

  // The tokens of every order the sandbox verified in these flows.
  for (const auto& outcome : host_->taken()) {
    const Dictionary& data = outcome.second;
    if (data.is_object() && data.contains("tarvel_oid") && data["tarvel_oid"].is_string()) {
      if (auto order = secretsSandbox().order(data["tarvel_oid"].get<std::string>())) {
        tokens.insert(order->authToken);
      }
    }
  }
  tokens.erase("");
  ASSERT_FALSE(tokens.empty());

  const std::vector<std::string> lines = loggedLines();
  ASSERT_GT(lines.size(), 10u);  // the flows did log
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(phone), std::string::npos) << "phone number logged: " << line;
    for (const auto& token : tokens) {
      EXPECT_EQ(line.find(token), std::string::npos) << "auth token logged: " << line;
    }
    // The OTP is four digits, which an amount or a hexadecimal identifier may contain by
    // chance: it counts as leaked where it stands as the value of an OTP key.
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
