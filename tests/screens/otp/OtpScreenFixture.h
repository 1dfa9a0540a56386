#pragma once

#include <memory>   // shared_ptr, make_shared
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "../RecordingStatusDelegate.h"
#include "LogicTestSupport.h"
#include "ManualClock.h"
#include "QtTestMain.h"
#include "QtWait.h"
#include "platform/ActivityIndicator.h"
#include "platform/Alert.h"
#include "platform/MainQueue.h"
#include "tarvel/NavigationController.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {

/// A cash-on-delivery order; "upi_app" "paytm" opens the screen pushed.
inline Dictionary codOrder() {
  return {{"order_type", "cod"},      {"upi_app", "paytm"},      {"mid", "m-7Qx2"},
          {"moid", "moid-R4nd0mK3y"}, {"request_id", "req-9f3"}, {"phone", "9876500042"},
          {"total", "1499"}};
}

/// A verification answer as the platform gives it; the OTP panel opens for it.
inline Dictionary verifiedAnswer() {
  return {
      {"tarvel_oid", "tvl_5kQ9zW"}, {"auth_token", "tok_61c0"},
      {"total", "1499.00"},         {"msg", {{"heading", "Success!"}, {"text", "Order verified."}}},
      {"otp_verified", nullptr},    {"merchant_user_verified", false},
      {"uapp", {"phonepe", "gpay"}}};
}

/// A phone-sized window whose root is a navigation stack over a plain bottom screen, the
/// manual clock, a fake service and an online reachability answer. `open` pushes the OTP screen
/// or, for "upi_app" "", presents it, as the entry object does.
class OtpScreenFixture : public ::testing::Test {
 public:
  void SetUp() override { detail::MainQueue::setClock(clock_); }

  void TearDown() override {
    closeAll();
    detail::MainQueue::setClock(nullptr);
  }

  // Closes the window, its screens and any alert, and forgets the calls and outcomes so far:
  // the next `open` starts afresh (table rows).
  void closeAll() {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
    delete navigation_.data();
    settle();
    service_->calls.clear();
    delegate_->outcomes.clear();
  }

  // The bottom screen is magenta unless given, so that a see-through screen shows it.
  NavigationController* showNavigation(QSize size = {375, 667}, ViewController* bottom = nullptr) {
    if (!bottom) {
      bottom = new ViewController;
      bottom->setObjectName("bottomScreen");
      bottom->setStyleSheet("#bottomScreen { background-color: #FF00FF; }");
      bottom->setAttribute(Qt::WA_StyledBackground);
    }
    bottom_ = bottom;
    navigation_ = new NavigationController(bottom_);
    navigation_->resize(size);
    navigation_->show();
    navigation_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(navigation_));
    return navigation_;
  }

  VerifyOTPViewController* open(const Dictionary& order, QSize size = {375, 667},
                                std::shared_ptr<VXAPIServiceProtocol> service = nullptr) {
    if (!navigation_) showNavigation(size);
    auto* screen =
        new VerifyOTPViewController(order, false, service ? std::move(service) : service_);
    screen->setCheckoutStatusDelegate(delegate_);
    // As the entry object does: the bar is hidden, a pushed screen shows it again.
    navigation_->setNavigationBarHidden(true);
    if (order.value("upi_app", Dictionary()) == "") {
      navigation_->present(screen, true);
    } else {
      navigation_->pushViewController(screen, true);
    }
    screen_ = screen;
    settle();
    return screen;
  }

  // The index of the `nth` call of `operation` on the fake service, or -1.
  int callIndex(const std::string& operation, int nth = 0) const {
    for (std::size_t i = 0; i < service_->calls.size(); ++i) {
      if (service_->calls[i].operation == operation && nth-- == 0) return static_cast<int>(i);
    }
    return -1;
  }
  int callCount(const std::string& operation) const {
    int count = 0;
    for (const auto& call : service_->calls) count += call.operation == operation;
    return count;
  }
  void complete(const std::string& operation, const std::optional<Dictionary>& response,
                std::optional<APIError> error = std::nullopt, int nth = 0) {
    const int index = callIndex(operation, nth);
    ASSERT_GE(index, 0) << "no call " << operation << " #" << nth;
    service_->complete(static_cast<std::size_t>(index), response, error);
    settle();
  }
  // The OTP is sent and the order verified with `answer`.
  void answerLoad(const Dictionary& answer = verifiedAnswer()) {
    complete("sendOtp", Dictionary{{"message", "OTP sent"}});
    complete("verifyPaymentData", answer);
  }

  template <typename T = QWidget>
  T* child(const QString& name) const {
    return screen_ ? screen_->findChild<T*>(name) : nullptr;
  }
  QLineEdit* field(int number) const {
    return child<QLineEdit>(QString("textField%1").arg(number));
  }
  QStringList fieldTexts() const {
    QStringList texts;
    for (int n = 1; n <= 4; ++n) texts << field(n)->text();
    return texts;
  }
  QLabel* label(const char* name) const { return child<QLabel>(name); }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  bool spinning(const char* name) const {
    auto* indicator = child<detail::ActivityIndicator>(name);
    return indicator && indicator->isAnimating() && !indicator->isHidden();
  }
  // Which digit field holds the focus: 1 to 4, or 0 for none of them.
  int focusedField() const {
    for (int n = 1; n <= 4; ++n) {
      if (QApplication::focusWidget() == field(n)) return n;
    }
    return 0;
  }
  // A key typed as the user would: into whatever holds the focus.
  void typeKey(Qt::Key key, const QString& text = QString()) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
    QTest::sendKeyEvent(QTest::Press, target, key, text, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, target, key, text, Qt::NoModifier);
    settle();
  }
  void pressShortcut(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
    QTest::keyClick(target, key, modifiers);
    settle();
  }
  void typeText(const QString& digits) {
    for (QChar c : digits) typeKey(static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
  }
  // Taps `action` on the one alert, and gives the window back its activation (the offscreen
  // platform has no window manager to do that when a dialog closes).
  void answerAlert(const QString& action) {
    detail::Alert* alert = onlyAlert();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(alert->triggerAction(action));
    settle();
    if (navigation_) {
      navigation_->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(navigation_));
    }
  }
  // The one alert on screen (a failure when there is none or several).
  detail::Alert* onlyAlert() const {
    const QList<detail::Alert*> alerts = detail::Alert::openAlerts();
    EXPECT_EQ(alerts.size(), 1);
    return alerts.size() == 1 ? alerts.front() : nullptr;
  }

  std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  std::shared_ptr<RecordingStatusDelegate> delegate_ = std::make_shared<RecordingStatusDelegate>();
  ScopedReachability online_{true};
  QPointer<NavigationController> navigation_;
  QPointer<ViewController> bottom_;
  QPointer<VerifyOTPViewController> screen_;
};

}  // namespace tarvel::test
