#pragma once

#include <chrono>   // milliseconds, steady_clock
#include <memory>   // shared_ptr
#include <mutex>    // mutex
#include <string>   // string
#include <thread>   // thread::id
#include <utility>  // move
#include <vector>   // vector

#include <QCoreApplication>
#include <QPointer>

#include "entry/ScreenFactory.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

namespace tarvel::test {

class LoopbackServer;

/// The loopback server the staging API points at in the entry tests. "GET /v2/rto/track"
/// answers {"data": {"tracked": true, "moid": <moid>}, "message": "tracked"}, or a body that is
/// not JSON when the "moid" query item is "fail".
LoopbackServer& rtoServer();

/// Runs the event loop until `done` or the bound passes.
template <typename Predicate>
bool processEventsUntil(Predicate done,
                        std::chrono::milliseconds bound = std::chrono::milliseconds(10000)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Outside a running event loop, deleteLater() waits for an explicit flush.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return true;
}

/// Lets pending posted work run and deferred deletions happen.
inline void settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

/// A checkout screen that only reports when told.
class RecordingScreen : public CheckoutScreen {
 public:
  RecordingScreen(std::string kind, Dictionary createData, bool production)
      : kind(std::move(kind)), createData(std::move(createData)), production(production) {}

  void report(bool status, const Dictionary& data) {
    checkoutStatusDelegate()->checkOutCompleted(status, data);
  }

  const std::string kind;
  const Dictionary createData;
  const bool production;
};

/// Makes `RecordingScreen`s and remembers them.
class RecordingScreenFactory : public ScreenFactory {
 public:
  CheckoutScreen* makeUpiCheckout(const Dictionary& createData, bool production) override {
    return make("upi", createData, production);
  }
  CheckoutScreen* makeVerifyOTP(const Dictionary& createData, bool production) override {
    return make("otp", createData, production);
  }
  CheckoutScreen* makeWebCheckout(const Dictionary& createData, bool production) override {
    return make("web", createData, production);
  }

  std::vector<QPointer<RecordingScreen>> screens;

 private:
  CheckoutScreen* make(const char* kind, const Dictionary& createData, bool production) {
    auto* screen = new RecordingScreen(kind, createData, production);
    screens.emplace_back(screen);
    return screen;
  }
};

/// The host's delegate: records every outcome with the thread it arrived on.
class RecordingHost : public TarvelPaymentStatusDelegate {
 public:
  struct Outcome {
    bool status;
    Dictionary data;
    std::thread::id thread;
  };

  void tarvelPayment(bool status, const Dictionary& data) override {
    std::lock_guard<std::mutex> lock(mutex_);
    outcomes_.push_back({status, data, std::this_thread::get_id()});
  }

  std::vector<Outcome> outcomes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return outcomes_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Outcome> outcomes_;
};

}  // namespace tarvel::test
