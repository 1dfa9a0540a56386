#pragma once

#include <atomic>   // atomic
#include <chrono>   // milliseconds, seconds
#include <cstddef>  // size_t
#include <memory>   // shared_ptr
#include <set>      // set
#include <string>   // string
#include <utility>  // move
#include <vector>   // vector

#include <QAbstractButton>

#include "EntryTestFixture.h"
#include "InstalledSchemesRegistry.h"
#include "LoopbackAPIService.h"
#include "ManualClock.h"
#include "SandboxServer.h"
#include "ServiceScreenFactory.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/VXAPIServiceProtocol.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {

using namespace std::chrono_literals;

// Long enough for any loopback answer on a loaded machine, short enough to keep the suite quick.
inline constexpr std::chrono::milliseconds kClientTimeout = 1500ms;
// For answers that are meant to come too late: the flow's earlier steps may time out too on a
// loaded machine, which only moves the fault to an earlier step.
inline constexpr std::chrono::milliseconds kSlowClientTimeout = 400ms;

/// The port the process holds for the tests' sandbox platforms, where the component finds the
/// checkout page ("http://127.0.0.1:<port>/web/"); 0 (any free port) in a run without a page.
int platformPort();

/// Passes every call on to a real service and counts the platform calls (analytics aside)
/// that were made and that have completed. A completion counts once the caller's own
/// completion has returned, so whatever the caller posted to the main queue is queued by then:
/// a test that waits for `issued() == completed()` and then runs the event loop sees the
/// screen after it has handled every answer.
class CountingService : public VXAPIServiceProtocol {
 public:
  explicit CountingService(std::shared_ptr<VXAPIServiceProtocol> inner)
      : inner_(std::move(inner)) {}

#define TARVEL_COUNTED_CALL(name)                                        \
  void name(const Dictionary& params, APICompletion complete) override { \
    inner_->name(params, counted(std::move(complete)));                  \
  }
  TARVEL_COUNTED_CALL(verifyPaymentData)
  TARVEL_COUNTED_CALL(checkPaymentStatus)
  TARVEL_COUNTED_CALL(sendOtp)
  TARVEL_COUNTED_CALL(reSendOtp)
  TARVEL_COUNTED_CALL(verifyOtp)
  TARVEL_COUNTED_CALL(completeOrder)
#undef TARVEL_COUNTED_CALL
  void appAnalytics(const Dictionary& params, APICompletion complete) override {
    inner_->appAnalytics(params, std::move(complete));
  }

  std::size_t issued() const { return counts_->issued; }
  std::size_t completed() const { return counts_->completed; }
  /// How often a call completed a second time (never, if the service keeps its promise).
  std::size_t repeatedCompletions() const { return counts_->repeated; }

 private:
  struct Counts {
    std::atomic<std::size_t> issued{0}, completed{0}, repeated{0};
  };

  APICompletion counted(APICompletion complete) {
    ++counts_->issued;
    auto once = std::make_shared<std::atomic<bool>>(false);
    return [counts = counts_, once, complete = std::move(complete)](
               bool success, std::optional<Dictionary> response, std::optional<APIError> error) {
      if (complete) complete(success, std::move(response), error);
      ++(once->exchange(true) ? counts->repeated : counts->completed);
    };
  }

  std::shared_ptr<VXAPIServiceProtocol> inner_;
  std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
};

// A host application whose flows run the component's screens over the real service and a
// loader of its own against a sandbox platform on loopback, counted; the platform's timers run on a
// manual clock.
class FlowTest : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }
  void TearDown() override {
    EntryTestFixture::TearDown();
    // The client (the service owns its loader) lets go of its kept-alive connections before the
    // platform stops, which would otherwise wait for them to idle out.
    service_.reset();
    platform_.reset();
  }

  // Starts the test's sandbox platform on 127.0.0.1 at `platformPort()`: plain HTTP, or HTTPS
  // under an authority that nothing here trusts; its slow answers come well after
  // `kSlowClientTimeout`.
  bool startPlatform(bool untrustedHttps = false) {
    sandbox::SandboxOptions options;
    options.port = platformPort();
    options.https = untrustedHttps;
    options.slowDelay = 2s;
    options.keepAlive = 1s;  // a stop waits this long for the web engine's kept-alive connections
    platform_ = std::make_unique<sandbox::SandboxServer>(std::move(options));
    if (!platform_->start()) platform_.reset();
    return platform_ != nullptr;
  }
  // "http(s)://127.0.0.1:<port>/"
  std::string platformOrigin() const { return platform_->origin() + "/"; }

  // Installs the counted service against the platform at `origin`, shows the host's window and
  // opens an entry object for a new host delegate, whose RTO flow uses the service too. Apps
  // installed: `apps`.
  void startHost(const std::string& origin, std::chrono::milliseconds timeout,
                 std::set<std::string> apps = {}) {
    service_ = std::make_shared<CountingService>(std::make_shared<LoopbackAPIService>(
        origin + "api/", origin + "analytics/", loopbackLoader(timeout)));
    detail::ScreenFactory::setShared(std::make_shared<ServiceScreenFactory>(service_));
    detail::Application::setUrlSchemeRegistry(
        std::make_shared<InstalledSchemesRegistry>(std::move(apps)));
    showHostWindow();
    host_ = std::make_shared<RecordingHost>();
    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
    checkout_->setViewModel(std::make_shared<VerifyOTPViewModel>(service_, Dictionary::object()));
  }

  // Waits until every platform call made so far has completed and the screens have handled the
  // answers, including calls those answers caused.
  bool rest() {
    for (int round = 0; round < 100; ++round) {
      if (!processEventsUntil([&] { return service_->completed() >= service_->issued(); }, 30s)) {
        return false;
      }
      const std::size_t before = service_->issued();
      settle();
      if (service_->issued() == before && service_->completed() == before) return true;
    }
    return false;
  }

  // The shopper's way out of `screen`: "Ok" on (or closing) each alert, back, and "OK" on the
  // cancel question. False when there is no back button to press.
  bool leaveByBack(QWidget* screen) {
    for (detail::Alert* alert : detail::Alert::openAlerts()) {
      if (!alert->triggerAction("Ok")) alert->close();
    }
    settle();
    auto* web = qobject_cast<CustomeCheckout*>(screen);
    auto* native = qobject_cast<CheckoutScreen*>(screen);
    auto* back = qobject_cast<QAbstractButton*>(web      ? web->backButton()
                                                : native ? native->leftNavigationItem()
                                                         : nullptr);
    if (!back || !back->isVisible() || !back->isEnabled()) return false;
    back->click();
    settle();
    for (detail::Alert* alert : detail::Alert::openAlerts()) alert->triggerAction("OK");
    return true;
  }

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<CountingService> service_;
  std::unique_ptr<sandbox::SandboxServer> platform_;
};

}  // namespace tarvel::test
