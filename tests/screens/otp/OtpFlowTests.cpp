// The cash-on-delivery flow end to end: the host's openCart, the real component and network,
// the sandbox platform over HTTPS, the OTP read from the sandbox and typed with real key
// events, and the host's callback.
#include <algorithm>  // count_if
#include <chrono>     // seconds
#include <memory>     // make_shared, unique_ptr
#include <optional>   // optional
#include <random>     // random_device
#include <string>     // string
#include <vector>     // vector

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "EntryTestFixture.h"
#include "FlowTestProcess.h"
#include "ManualClock.h"
#include "QtTestMain.h"
#include "QtWait.h"
#include "platform/Alert.h"
#include "platform/KeyWindow.h"
#include "platform/MainQueue.h"
#include "tarvel/NavigationController.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {
namespace {

using std::chrono::seconds;

// A marker no other order, OTP notice or port number can contain by chance.
std::string marker() {
  std::random_device random;
  const char* digits = "0123456789abcdef";
  std::string text = "otp-e2e-";
  for (int i = 0; i < 20; ++i) text += digits[random() % 16];
  return text;
}

class OtpFlowTests : public EntryTestFixture {
 public:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::ScreenFactory::setShared(nullptr);
    detail::MainQueue::setClock(clock_);
    showHostWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  void TearDown() override {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
    EntryTestFixture::TearDown();
    detail::MainQueue::setClock(nullptr);
  }

  Dictionary order(const std::string& upiApp, const std::string& scenario = "") {
    moid_ = scenario + marker();
    return {{"order_type", "cod"}, {"upi_app", upiApp},          {"mid", "m-sandbox"},
            {"moid", moid_},       {"request_id", "r-" + moid_}, {"phone", phone_},
            {"total", "1499"}};
  }

  NavigationController* navigation() const {
    return qobject_cast<NavigationController*>(detail::KeyWindow::rootWidget(window_.get()));
  }

  // Opens the order and waits for the OTP screen to be shown.
  VerifyOTPViewController* openCart(const Dictionary& createData) {
    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
    checkout_->openCart(createData);
    QPointer<VerifyOTPViewController> screen;
    EXPECT_TRUE(processEventsUntil([&] {
      if (!navigation()) return false;
      screen = qobject_cast<VerifyOTPViewController*>(navigation()->visibleViewController());
      return !screen.isNull();
    }));
    screen_ = screen;
    return screen;
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

  // Types `digits` key by key into whatever holds the focus, then presses Return once the
  // submit button can be pressed.
  void typeAndSubmit(const std::string& digits) {
    for (char digit : digits) {
      QWidget* focused = QApplication::focusWidget();
      ASSERT_NE(focused, nullptr);
      QTest::keyClick(focused, digit);
    }
    ASSERT_TRUE(
        processEventsUntil([&] { return child<QPushButton>("buttonSubmitOTP")->isEnabled(); }));
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, Qt::Key_Return);
  }

  bool waitForOutcome() { return waitForOutcomes(1); }

  // The screen is gone and the window has the host's own root back.
  bool waitForClosed() {
    return processEventsUntil([&] { return screen_.isNull() && !navigation(); });
  }

  std::size_t consoleLinesWith(const std::string& a, const std::string& b) const {
    const auto lines = sandboxConsole();
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
      return l.find(a) != l.npos && l.find(b) != l.npos;
    }));
  }

  std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
  std::shared_ptr<TarvelCheckout> checkout_;
  QPointer<VerifyOTPViewController> screen_;
  std::string moid_;
  const std::string phone_ = "9000077123";
};

TEST_F(OtpFlowTests, TheTypedOtpIsAcceptedPushedAndPresented) {
  for (const char* upiApp : {"paytm", ""}) {
    SCOPED_TRACE(std::string("upi_app \"") + upiApp + "\"");
    host_ = std::make_shared<RecordingHost>();
    ASSERT_NE(openCart(order(upiApp)), nullptr);
    EXPECT_EQ(navigation()->presentedViewController() == screen_.data(), *upiApp == '\0');
    ASSERT_TRUE(waitForOtpPanel());
    typeAndSubmit(sentOtp());

    ASSERT_TRUE(waitForOutcome());
    ASSERT_TRUE(waitForClosed());
    settle();
    const auto outcomes = host_->outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].status);
    EXPECT_EQ(outcomes[0].data["otp_verified"], true);
    EXPECT_EQ(outcomes[0].data["moid"], moid_);
    EXPECT_TRUE(outcomes[0].data["tarvel_oid"].is_string());
    EXPECT_EQ(consoleLinesWith("OTP verified", moid_), 1u);
  }
}

TEST_F(OtpFlowTests, AWrongOtpShowsThePlatformsMessageAndTheRightOneStillWorks) {
  ASSERT_NE(openCart(order("paytm")), nullptr);
  ASSERT_TRUE(waitForOtpPanel());
  const std::string otp = sentOtp();
  std::string wrong = otp;
  for (char& digit : wrong) digit = static_cast<char>('0' + (digit - '0' + 1) % 10);
  typeAndSubmit(wrong);

  ASSERT_TRUE(processEventsUntil([] { return !detail::Alert::openAlerts().isEmpty(); }));
  EXPECT_EQ(detail::Alert::openAlerts().front()->message(), "Invalid OTP");
  EXPECT_TRUE(child<QLabel>("labelErrorMessage")->isVisible());
  EXPECT_EQ(child<QLabel>("labelErrorMessage")->text(), "Invalid OTP");
  detail::Alert::openAlerts().front()->triggerAction("Ok");
  // The offscreen platform has no window manager to hand the activation back.
  settle();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  EXPECT_TRUE(host_->outcomes().empty());

  child<QLineEdit>("textField1")->setFocus();
  typeAndSubmit(otp);
  ASSERT_TRUE(waitForOutcome());
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_TRUE(waitForClosed());
}

TEST_F(OtpFlowTests, AResendAfterTheCountdownSendsANewOtp) {
  ASSERT_NE(openCart(order("paytm")), nullptr);
  ASSERT_TRUE(waitForOtpPanel());
  sentOtp();
  auto* resend = child<QPushButton>("buttonResendOTP");
  EXPECT_FALSE(resend->isVisible());
  clock_->advance(seconds(30));
  settle();
  ASSERT_TRUE(resend->isVisible());
  QTest::mouseClick(resend, Qt::LeftButton);

  ASSERT_TRUE(processEventsUntil([&] { return consoleLinesWith(moid_, "(resent)") == 1; }));
  EXPECT_EQ(consoleLinesWith("OTP ", moid_), 2u);
  child<QLineEdit>("textField1")->setFocus();
  typeAndSubmit(sentOtp());
  ASSERT_TRUE(waitForOutcome());
  EXPECT_TRUE(host_->outcomes()[0].status);
  EXPECT_EQ(host_->outcomes()[0].data["otp_verified"], true);
}

TEST_F(OtpFlowTests, TheVerificationAloneDecidesWhenNoOtpIsAsked) {
  struct Row {
    const char* scenario;
    bool status;
  };
  for (const Row& row : {Row{"merchant-verified-", true}, Row{"otp-verified-", true},
                         Row{"verify-failed-", false}}) {
    SCOPED_TRACE(row.scenario);
    host_ = std::make_shared<RecordingHost>();
    ASSERT_NE(openCart(order("paytm", row.scenario)), nullptr);
    ASSERT_TRUE(waitForOutcome());
    ASSERT_TRUE(waitForClosed());
    settle();
    const auto outcomes = host_->outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, row.status);
    EXPECT_EQ(outcomes[0].data["moid"], moid_);
    EXPECT_EQ(outcomes[0].data["msg"]["heading"] == "Failed!", !row.status);
  }
}

}  // namespace
}  // namespace tarvel::test
