#pragma once

#include <memory>   // shared_ptr
#include <string>   // string
#include <utility>  // move

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "../ScreenTestFixture.h"
#include "platform/ActivityIndicator.h"
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

/// A window whose root is a navigation stack over a plain bottom screen. `open` pushes the OTP
/// screen or, for "upi_app" "", presents it, as the entry object does.
class OtpScreenFixture : public ScreenTest {
 public:
  NavigationController* showNavigation(QSize size = {375, 667}, ViewController* bottom = nullptr) {
    bottom_ = bottom ? bottom : new ViewController;
    showWindow(size, bottom_);
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
    return window_;
  }

  VerifyOTPViewController* open(const Dictionary& order, QSize size = {375, 667},
                                std::shared_ptr<VXAPIServiceProtocol> service = nullptr) {
    if (!window_) showNavigation(size);
    auto* screen =
        new VerifyOTPViewController(order, false, service ? std::move(service) : service_);
    screen->setCheckoutStatusDelegate(delegate_);
    // As the entry object does: the bar is hidden, a pushed screen shows it again.
    window_->setNavigationBarHidden(true);
    if (order.value("upi_app", Dictionary()) == "") {
      window_->present(screen, true);
    } else {
      window_->pushViewController(screen, true);
    }
    screen_ = screen;
    settle();
    return screen;
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
  void typeKey(Qt::Key key, const QString& text = QString(), Qt::KeyboardModifiers mods = {}) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
    QTest::sendKeyEvent(QTest::Press, target, key, text, mods);
    QTest::sendKeyEvent(QTest::Release, target, key, text, mods);
    settle();
  }
  void typeText(const QString& digits) {
    for (QChar c : digits) typeKey(static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
  }
  void answerAlert(const QString& action) { answerOnlyAlert(QString(), action); }
  // The offscreen platform has no window manager to give the window back its activation when
  // a dialog closes.
  void alertAnswered() override {
    if (!window_) return;
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
  }

  QPointer<ViewController> bottom_;
  QPointer<VerifyOTPViewController> screen_;
};

}  // namespace tarvel::test
