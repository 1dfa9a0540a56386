// The cash-on-delivery flow end to end: the host's openCart, the real component and network,
// the sandbox platform over HTTPS, the OTP read from the sandbox and typed with real key
// events, and the host's callback.
#include <algorithm>  // count_if
#include <chrono>     // seconds
#include <optional>   // optional

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "FlowTestProcess.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {
namespace {

class OtpFlowTests : public FlowTest {
 public:
  // Opens a fresh order (its moid starts with `scenario`) and waits for the OTP screen.
  VerifyOTPViewController* open(const std::string& upiApp,
                                const std::string& scenario = "otp-e2e") {
    moid_ = uniqueMarker(scenario);
    screen_ = openCart<VerifyOTPViewController>({{"order_type", "cod"},
                                                 {"upi_app", upiApp},
                                                 {"mid", "m-sandbox"},
                                                 {"moid", moid_},
                                                 {"request_id", "r-" + moid_},
                                                 {"phone", phone_},
                                                 {"total", "1499"}});
    return screen_;
  }
  template <typename T = QWidget>
  T* child(const char* name) const {
    return screen_ ? screen_->findChild<T*>(name) : nullptr;
  }
  bool waitForOtpPanel() {
    return processEventsUntil([&] { return screen_ && child("viewCODContainer")->isVisible(); });
  }
  // The OTP the sandbox last sent for this order; waits for the send to arrive.
  std::string sentOtp() {
    std::optional<std::string> otp;
    EXPECT_TRUE(processEventsUntil([&] {
      otp = sandboxPlatform().lastOtp(moid_, phone_);
      return otp.has_value();
    }));
    return otp.value_or("");
  }
  // Types `digits` into the first field key by key, then presses Return once the submit button
  // can be pressed.
  void typeAndSubmit(const std::string& digits) {
    child("textField1")->setFocus();
    for (char digit : digits) {
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      QTest::keyClick(QApplication::focusWidget(), digit);
    }
    ASSERT_TRUE(
        processEventsUntil([&] { return child<QPushButton>("buttonSubmitOTP")->isEnabled(); }));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }
  std::size_t consoleLinesWith(const std::string& a, const std::string& b) const {
    const auto lines = sandboxConsole();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
      return l.find(a) != l.npos && l.find(b) != l.npos;
    }));
  }

  QPointer<VerifyOTPViewController> screen_;
  std::string moid_;
  const std::string phone_ = "9000077123";
};

TEST_F(OtpFlowTests, TheTypedOtpIsAcceptedPushedAndPresented) {
  for (const char* upiApp : {"paytm", ""}) {
    SCOPED_TRACE(std::string("upi_app \"") + upiApp + "\"");
    host_ = std::make_shared<RecordingHost>();
    ASSERT_NE(open(upiApp), nullptr);
    EXPECT_EQ(windowNavigation()->presentedViewController() == screen_.data(), *upiApp == '\0');
    ASSERT_TRUE(waitForOtpPanel());
    typeAndSubmit(sentOtp());
    expectOneOutcomeAndClosed(screen_, true);
    EXPECT_EQ(host_->outcomes()[0].data["otp_verified"], true);
    EXPECT_EQ(host_->outcomes()[0].data["moid"], moid_);
    EXPECT_TRUE(host_->outcomes()[0].data["tarvel_oid"].is_string());
    EXPECT_EQ(consoleLinesWith("OTP verified", moid_), 1u);
  }
}

TEST_F(OtpFlowTests, AWrongOtpShowsThePlatformsMessageAndTheRightOneStillWorks) {
  ASSERT_NE(open("paytm"), nullptr);
  ASSERT_TRUE(waitForOtpPanel());
  const std::string otp = sentOtp();
  std::string wrong = otp;
  for (char& digit : wrong) digit = static_cast<char>('0' + (digit - '0' + 1) % 10);
  typeAndSubmit(wrong);

  ASSERT_TRUE(processEventsUntil([] { return !detail::Alert::openAlerts().isEmpty(); }));
  EXPECT_EQ(detail::Alert::openAlerts().front()->message(), "Invalid OTP");
  detail::Alert::openAlerts().front()->triggerAction("Ok");
  // The offscreen platform has no window manager to hand the activation back.
  settle();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  EXPECT_TRUE(host_->outcomes().empty());

  typeAndSubmit(otp);
  expectOneOutcomeAndClosed(screen_, true);
}

TEST_F(OtpFlowTests, AResendAfterTheCountdownSendsANewOtp) {
  ASSERT_NE(open("paytm"), nullptr);
  ASSERT_TRUE(waitForOtpPanel());
  sentOtp();
  clock_->advance(std::chrono::seconds(30));
  settle();
  ASSERT_TRUE(child("buttonResendOTP")->isVisible());
  QTest::mouseClick(child("buttonResendOTP"), Qt::LeftButton);

  ASSERT_TRUE(processEventsUntil([&] { return consoleLinesWith(moid_, "(resent)") == 1; }));
  EXPECT_EQ(consoleLinesWith("OTP ", moid_), 2u);
  typeAndSubmit(sentOtp());
  expectOneOutcomeAndClosed(screen_, true);
  EXPECT_EQ(host_->outcomes()[0].data["otp_verified"], true);
}

TEST_F(OtpFlowTests, TheVerificationAloneDecidesWhenNoOtpIsAsked) {
  for (const auto& [scenario, status] :
       {std::pair{"merchant-verified", true}, std::pair{"otp-verified", true},
        std::pair{"verify-failed", false}}) {
    SCOPED_TRACE(scenario);
    host_ = std::make_shared<RecordingHost>();
    ASSERT_NE(open("paytm", scenario), nullptr);
    expectOneOutcomeAndClosed(screen_, status);
    EXPECT_EQ(host_->outcomes()[0].data["moid"], moid_);
    EXPECT_EQ(host_->outcomes()[0].data["msg"]["heading"] == "Failed!", !status);
  }
}

}  // namespace
}  // namespace tarvel::test
