#pragma once

#include <memory>    // shared_ptr, make_shared
#include <mutex>     // mutex, lock_guard
#include <optional>  // optional
#include <string>    // string
#include <thread>    // thread::id, this_thread
#include <vector>    // vector

#include <QPointer>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "LogicTestSupport.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "platform/Alert.h"
#include "platform/MainQueue.h"
#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/NavigationController.h"

namespace tarvel::test {

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

/// What the tests of both native screens share: a navigation window, the manual clock, a fake
/// service answering when the test says, the outcomes the screen reports, an online
/// reachability answer and the log.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override { detail::MainQueue::setClock(clock_); }
  void TearDown() override {
    closeAll();
    detail::MainQueue::setClock(nullptr);
  }
  // A shown window whose root is a navigation stack over `bottom` (a plain screen if null).
  NavigationController* showWindow(QSize size, ViewController* bottom = nullptr) {
    window_ = new NavigationController(bottom ? bottom : new ViewController);
    window_->resize(size);
    window_->show();
    return window_;
  }
  // Closes the window, its screens and any alert: the next table row starts afresh.
  void closeAll() {
    closeAlerts();
    delete window_.data();
    settle();
    reset();
  }
  static void closeAlerts() {
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->close();
  }
  // A fresh service, outcomes and log for the next table row.
  void reset() {
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
  std::vector<Dictionary> analyticsEvents() const {
    std::vector<Dictionary> events;
    for (std::size_t i : calls("appAnalytics")) events.push_back(service_->calls[i].params);
    return events;
  }
  // Answers the `nth` call of `operation` and lets the screen act on it.
  void complete(const std::string& operation, const std::optional<Dictionary>& response,
                std::optional<APIError> error = std::nullopt, std::size_t nth = 0) {
    const auto found = calls(operation);
    ASSERT_LT(nth, found.size()) << "no call " << operation << " #" << nth;
    service_->complete(found[nth], response, error);
    settle();
  }

  // The one alert on screen (a failure when there is none or several).
  static detail::Alert* onlyAlert() {
    const QList<detail::Alert*> alerts = detail::Alert::openAlerts();
    EXPECT_EQ(alerts.size(), 1);
    return alerts.size() == 1 ? alerts.front() : nullptr;
  }
  // Checks the one alert's message (any when null) and taps `action` on it.
  void answerOnlyAlert(const QString& message, const QString& action) {
    detail::Alert* alert = onlyAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(message.isNull() ? message : alert->message(), message);
    ASSERT_TRUE(alert->triggerAction(action));
    settle();
    alertAnswered();
  }
  virtual void alertAnswered() {}

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<FakeAPIService> service_ = std::make_shared<FakeAPIService>();
  std::shared_ptr<RecordingStatusDelegate> delegate_ = std::make_shared<RecordingStatusDelegate>();
  ScopedReachability online_{true};
  LogCapture log_;
  QPointer<NavigationController> window_;
};

}  // namespace tarvel::test
