#pragma once

#include <chrono>    // milliseconds
#include <memory>    // shared_ptr, make_shared
#include <mutex>     // mutex, lock_guard
#include <optional>  // optional
#include <set>       // set
#include <string>    // string
#include <thread>    // thread::id, this_thread
#include <vector>    // vector

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "LogCapture.h"
#include "LogicTestSupport.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/MainQueue.h"
#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/NavigationController.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VerifyOTPViewController.h"

namespace tarvel::test {

using detail::Alert;
using detail::Application;

/// The entry object's side of a screen: every outcome, in order, with the thread it came on.
struct RecordingStatusDelegate : CheckoutStatusDelegate {
  struct Outcome {
    bool status;
    Dictionary data;
    std::thread::id thread;
  };
  void checkOutCompleted(bool status, const Dictionary& data) override {
    std::lock_guard<std::mutex> lock(mutex);
    outcomes.push_back({status, data, std::this_thread::get_id()});
  }
  std::mutex mutex;
  std::vector<Outcome> outcomes;
};

/// The platform's verify answer for both screens, with the top-level keys of `changes` put over
/// it (a null stays: it is the value then).
inline Dictionary verifyAnswer(const Dictionary& changes = Dictionary::object()) {
  Dictionary answer = {{"tarvel_oid", "tvl_7f3a"},
                       {"auth_token", "tok_51c9"},
                       {"uapp", {"phonepe", "gpay", "paytm"}},
                       {"u_link", "upi://pay?pa=shop%40upi&pn=Shop&am=499.00&tr=tvl_7f3a&cu=INR"},
                       {"qrCode", "data:image/png;base64,"},
                       {"total", "499.00"},
                       {"msg", {{"heading", "Success!"}}},
                       {"request_id", "req_1"},
                       {"order_type", "upi"},
                       {"mid", "M-1"},
                       {"otp_verified", nullptr},
                       {"merchant_user_verified", false}};
  answer.update(changes);
  return answer;
}

/// A cash-on-delivery order; "upi_app" "paytm" opens the OTP screen pushed.
inline Dictionary codOrder() {
  return {{"order_type", "cod"},      {"upi_app", "paytm"},      {"mid", "m-7Qx2"},
          {"moid", "moid-R4nd0mK3y"}, {"request_id", "req-9f3"}, {"phone", "9876500042"},
          {"total", "1499"}};
}

/// What the tests of both native screens share: a navigation window, the manual clock, an
/// injected registry of installed apps, a fake service answering when the test says, the
/// outcomes the screen reports, an online reachability answer and the log.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::MainQueue::setClock(clock_);
    Application::setUrlSchemeRegistry(registry_);
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }
  void TearDown() override {
    closeAll();
    detail::MainQueue::setClock(nullptr);
    Application::setUrlSchemeRegistry(nullptr);
  }
  // A shown, active window whose root is a navigation stack over `bottom` (a plain screen if
  // null).
  NavigationController* showWindow(QSize size = {375, 667}, ViewController* bottom = nullptr) {
    window_ = new NavigationController(bottom ? bottom : new ViewController);
    window_->resize(size);
    window_->show();
    activate();
    return window_;
  }
  // The offscreen platform has no window manager to give the window back its activation when
  // a dialog closes.
  void activate() {
    if (!window_) return;
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_));
  }
  // Closes the window, its screens and any alert, and starts afresh: a fresh service, outcomes
  // and log for the next table row.
  void closeAll() {
    for (Alert* alert : Alert::openAlerts()) alert->close();
    delete window_.data();
    settle();
    service_ = std::make_shared<FakeAPIService>();
    delegate_ = std::make_shared<RecordingStatusDelegate>();
    log_.clear();
  }

  // Indexes of the fake service's calls of `operation`, oldest first.
  std::vector<std::size_t> calls(const std::string& operation) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < service_->calls.size(); ++i) {
      if (service_->calls[i].operation == operation) found.push_back(i);
    }
    return found;
  }
  std::size_t callCount(const std::string& operation) const { return calls(operation).size(); }
  const Dictionary& params(const std::string& operation, std::size_t nth = 0) const {
    return service_->calls.at(calls(operation).at(nth)).params;
  }
  // Answers the `nth` call of `operation` and lets the screen act on it.
  void complete(const std::string& operation, const std::optional<Dictionary>& response,
                std::optional<APIError> error = std::nullopt, std::size_t nth = 0) {
    const auto found = calls(operation);
    ASSERT_LT(nth, found.size()) << "no call " << operation << " #" << nth;
    service_->complete(found[nth], response, error);
    settle();
  }
  void answerVerify(const Dictionary& changes = Dictionary::object()) {
    complete("verifyPaymentData", verifyAnswer(changes));
  }
  void advance(std::chrono::milliseconds time) {
    clock_->advance(time);
    settle();
  }

  // The one alert on screen (a failure when there is none or several).
  static Alert* onlyAlert() {
    const QList<Alert*> alerts = Alert::openAlerts();
    EXPECT_EQ(alerts.size(), 1);
    return alerts.size() == 1 ? alerts.front() : nullptr;
  }
  // Checks the one alert's message (any when null) and taps `action` on it.
  void answerAlert(const QString& action, const QString& message = QString()) {
    Alert* alert = onlyAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(message.isNull() ? message : alert->message(), message);
    ASSERT_TRUE(alert->triggerAction(action));
    settle();
    activate();
  }

  // The UPI screen for `order` pushed onto a fresh window of `size` with `installed` apps; it
  // starts verifying at once.
  UpiCheckoutViewController* openUpi(const std::set<std::string>& installed = {"phonepe", "paytm"},
                                     const Dictionary& order = {{"order_type", "upi"}},
                                     QSize size = {375, 667}) {
    closeAll();
    registry_ = std::make_shared<InstalledSchemesRegistry>(installed);
    Application::setUrlSchemeRegistry(registry_);
    showWindow(size);
    auto* screen = new UpiCheckoutViewController(order, false);
    screen->setAPIService(service_);
    screen->setCheckoutStatusDelegate(delegate_);
    window_->pushViewController(screen, false);
    upi_ = screen;
    settle();
    return screen;
  }
  void setActive(bool active) {
    Application::shared()->applyApplicationState(active ? Qt::ApplicationActive
                                                        : Qt::ApplicationInactive);
    settle();
  }
  // Taps tile `index` (the registry launches at once).
  void tapTile(int index) {
    upi_->paymentOptionViews().at(index)->buttonUPIOption()->click();
    settle();
  }

  // The OTP screen for `order`, in the window (a fresh one if none): pushed, or for "upi_app"
  // "" presented, as the entry object does.
  VerifyOTPViewController* openOtp(const Dictionary& order = codOrder(), QSize size = {375, 667},
                                   std::shared_ptr<VXAPIServiceProtocol> service = nullptr) {
    if (!window_) showWindow(size);
    auto* screen = new VerifyOTPViewController(order, false, service ? service : service_);
    screen->setCheckoutStatusDelegate(delegate_);
    // As the entry object does: the bar is hidden, a pushed screen shows it again.
    window_->setNavigationBarHidden(true);
    if (order.value("upi_app", Dictionary()) == "") {
      window_->present(screen, true);
    } else {
      window_->pushViewController(screen, true);
    }
    otp_ = screen;
    settle();
    return screen;
  }
  // The OTP is sent and the order verified with the answer `changes` make.
  void answerLoad(const Dictionary& changes = Dictionary::object()) {
    complete("sendOtp", Dictionary{{"message", "OTP sent"}});
    answerVerify(changes);
  }
  template <typename T = QWidget>
  T* child(const QString& name) const {
    return otp_ ? otp_->findChild<T*>(name) : nullptr;
  }
  QLineEdit* field(int number) const {
    return child<QLineEdit>(QString("textField%1").arg(number));
  }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
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
    QTest::sendKeyEvent(QTest::Press, target, key, text, {});
    QTest::sendKeyEvent(QTest::Release, target, key, text, {});
    settle();
  }
  void typeText(const QString& digits) {
    for (QChar c : digits) typeKey(static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
  }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe", "paytm"});
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  std::shared_ptr<RecordingStatusDelegate> delegate_ = std::make_shared<RecordingStatusDelegate>();
  ScopedReachability online_{true};
  LogCapture log_;
  QPointer<NavigationController> window_;
  QPointer<UpiCheckoutViewController> upi_;
  QPointer<VerifyOTPViewController> otp_;
};

}  // namespace tarvel::test
