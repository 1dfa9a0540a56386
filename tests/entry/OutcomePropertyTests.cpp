// Many randomized checkouts through the entry object and the real screens (offscreen, manual
// clock, fake service, injected app registry): whatever the platform answers, whenever the
// shopper cancels, switches away or answers late, each flow reports exactly one outcome, with
// the status its cause calls for, nothing after that, and leaves no screen behind.
//
// The run is seeded and repeatable: the seed is printed, and TARVEL_PROPERTY_SEED replays it
// (TARVEL_PROPERTY_FLOWS changes the number of flows).
#include <algorithm>   // any_of
#include <atomic>      // atomic
#include <chrono>      // seconds, milliseconds, steady_clock
#include <cstdio>      // printf, fflush
#include <cstdlib>     // getenv, strtoull
#include <functional>  // function
#include <memory>      // shared_ptr, make_shared
#include <optional>    // optional
#include <random>      // mt19937_64, random_device, distributions
#include <set>         // set
#include <sstream>     // ostringstream
#include <string>      // string
#include <utility>     // move
#include <vector>      // vector

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "LogicTestSupport.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "entry/ScreenFactory.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/KeyWindow.h"
#include "platform/MainQueue.h"
#include "tarvel/APIError.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VerifyOTPViewController.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {
namespace {

using detail::Alert;
using detail::Application;
using detail::MainQueue;
using std::chrono::seconds;

constexpr const char* kCancelQuestion = "Are you sure you want to cancel the payment?";

// The sanitizers make every event several times slower; their builds drive fewer flows, to
// keep the whole suite within its time.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr unsigned long long kDefaultFlows = 400;
#else
constexpr unsigned long long kDefaultFlows = 1000;
#endif
constexpr int kShopperSteps = 24;  // random steps before the shopper gives up and leaves

unsigned long long numberFromEnvironment(const char* name, unsigned long long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

enum class FlowKind { upiTiles, upiQrCode, upiNamedApp, codPushed, codPresented, rtoTracking };

const char* nameOf(FlowKind kind) {
  static const char* const kNames[] = {"upi tiles",  "upi qr code",   "upi named app",
                                       "cod pushed", "cod presented", "non-vx"};
  return kNames[static_cast<int>(kind)];
}

// The host: every outcome, and whether it came on the GUI thread.
struct CountingHost : TarvelPaymentStatusDelegate {
  struct Outcome {
    bool status;
    Dictionary data;
    bool onGuiThread;
  };
  void tarvelPayment(bool status, const Dictionary& data) override {
    outcomes.push_back({status, data, QThread::currentThread() == qApp->thread()});
  }
  std::vector<Outcome> outcomes;
};

// The component's screens, each talking to the flow's fake service.
struct FakeServiceScreens : detail::ScreenFactory {
  CheckoutScreen* makeUpiCheckout(const Dictionary& data, bool production) override {
    auto* screen = new UpiCheckoutViewController(data, production);
    screen->setAPIService(service);
    return remember(screen);
  }
  CheckoutScreen* makeVerifyOTP(const Dictionary& data, bool production) override {
    return remember(new VerifyOTPViewController(data, production, service));
  }
  CheckoutScreen* remember(CheckoutScreen* screen) {
    made = screen;
    return screen;
  }
  std::shared_ptr<FakeAPIService> service;
  QPointer<CheckoutScreen> made;
};

// What the action just taken may end the flow with. `required`: the flow must end now.
struct Expectation {
  bool required = false;
  bool status = false;
  std::function<bool(const Dictionary&)> matches;
};

// The figures of the whole run.
struct Tally {
  unsigned long long flows = 0, outcomes = 0, succeeded = 0, failed = 0, duplicates = 0,
                     missing = 0, unexpected = 0, screensLeft = 0, steps = 0, lateAnswers = 0;
};

class OutcomePropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHandler_ = qInstallMessageHandler(&dropPlatformNoise);
    setLogSink([this](std::string_view line) { flowLog_.emplace_back(line); });
    MainQueue::setClock(clock_);
    Application::setUrlSchemeRegistry(registry_);
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
    InternetConnectionManager::setProbe([this]() -> std::optional<uint32_t> {
      return online_.load() ? InternetConnectionManager::kReachable : 0u;
    });
    detail::ScreenFactory::setShared(screens_);
    window_ = std::make_unique<QMainWindow>();
    window_->setCentralWidget(new QWidget);
    window_->resize(375, 667);
    window_->show();
  }

  void TearDown() override {
    for (Alert* alert : Alert::openAlerts()) alert->close();
    detail::ScreenFactory::setShared(nullptr);
    window_.reset();
    delete detail::KeyWindow::ownWindow();
    settle();
    InternetConnectionManager::setProbe({});
    Application::setUrlSchemeRegistry(nullptr);
    MainQueue::setClock(nullptr);
    setLogSink(nullptr);
    qInstallMessageHandler(previousHandler_);
  }

  // The offscreen platform says for every window that it cannot resize or raise it: thousands
  // of lines that would bury a failing flow's story.
  static void dropPlatformNoise(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
    if (message.startsWith("This plugin does not support")) return;
    if (previousHandler_) previousHandler_(type, context, message);
  }
  static inline QtMessageHandler previousHandler_ = nullptr;

  // --- one flow --------------------------------------------------------------------------

  void runFlow(unsigned long long index) {
    flowIndex_ = index;
    flowLog_.clear();
    trace_.clear();
    host_ = std::make_shared<CountingHost>();
    service_ = std::make_shared<FakeAPIService>();
    screens_->service = service_;
    screens_->made = nullptr;
    lastVerifyMarker_.reset();
    online_ = chance(0.93);
    kind_ = static_cast<FlowKind>(pick(6));
    prepareInstalledApps();

    auto checkout = std::make_shared<TarvelCheckout>(false, host_);
    if (kind_ == FlowKind::rtoTracking) {
      checkout->setViewModel(std::make_shared<VerifyOTPViewModel>(service_, Dictionary::object()));
    }
    entry_ = checkout;
    note(std::string("open ") + nameOf(kind_) + (online_ ? "" : " offline"));
    checkout->openCart(order());
    checkout.reset();
    settle();
    screen_ = screens_->made;
    rememberViewModels();

    for (int step = 0; step < kShopperSteps && host_->outcomes.empty(); ++step) {
      takeRandomStep();
      ++tally_.steps;
    }
    if (host_->outcomes.empty()) leave();
    answerLate();
    checkNothingLeft();
    if (!screen_ &&
        std::any_of(viewModels_.begin(), viewModels_.end(),
                    [](const std::weak_ptr<void>& model) { return !model.expired(); })) {
      fault(tally_.screensLeft, "a view model outlived its screen");
    }
    entry_.reset();
    account();
  }

  Dictionary order() {
    const std::string n = std::to_string(flowIndex_);
    Dictionary order = {{"mid", "M-prop"},       {"moid", "moid-" + n}, {"request_id", "req-" + n},
                        {"phone", "9876543210"}, {"total", "499.00"},   {"tarvel_oid", "tvl-" + n}};
    const bool upi = kind_ == FlowKind::upiTiles || kind_ == FlowKind::upiQrCode ||
                     kind_ == FlowKind::upiNamedApp;
    order["order_type"] = upi ? "upi" : kind_ == FlowKind::rtoTracking ? "non-vx" : "cod";
    if (kind_ == FlowKind::upiNamedApp) order["upi_app"] = chance(0.5) ? "phonepe" : "bhim";
    if (kind_ == FlowKind::codPushed && chance(0.5)) order["upi_app"] = "paytm";
    if (kind_ == FlowKind::codPresented) order["upi_app"] = "";
    return order;
  }

  // The flow's view models, to see that they go with their screen.
  void rememberViewModels() {
    viewModels_.clear();
    if (auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data())) {
      viewModels_.push_back(upi->viewModel());
    } else if (auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data())) {
      viewModels_.push_back(otp->viewModel());
      viewModels_.push_back(otp->checkOutViewModel());
    }
  }

  void prepareInstalledApps() {
    for (const char* scheme : {"phonepe", "gpay", "paytm", "bhim"}) registry_->uninstall(scheme);
    if (kind_ == FlowKind::upiQrCode) return;
    registry_->install("phonepe");
    if (chance(0.5)) registry_->install("paytm");
  }

  // --- the shopper's and the platform's moves ---------------------------------------------

  void takeRandomStep() {
    std::vector<std::pair<double, std::function<Expectation()>>> moves;
    std::vector<std::size_t> pending = pendingCalls();
    if (!pending.empty()) {
      moves.push_back({5.0, [this, pending] { return answer(pending[pick(pending.size())]); }});
    }
    const QList<Alert*> alerts = Alert::openAlerts();
    if (!alerts.isEmpty()) moves.push_back({3.0, [this] { return tapAlertAction(); }});
    if (screen_ && alerts.isEmpty()) moves.push_back({1.0, [this] { return pressBack(); }});
    if (tileCount() > 0 && alerts.isEmpty()) moves.push_back({2.0, [this] { return tapTile(); }});
    if (otpPanelOpen() && alerts.isEmpty()) moves.push_back({2.0, [this] { return enterOtp(); }});
    moves.push_back({1.0, [this] { return switchForeground(); }});
    moves.push_back({2.0, [this] { return advanceClock(); }});
    moves.push_back({0.3, [this] { return toggleNetwork(); }});
    if (entry_) moves.push_back({0.3, [this] { return dropEntryObject(); }});

    double total = 0;
    for (const auto& move : moves) total += move.first;
    double roll = std::uniform_real_distribution<double>(0, total)(random_);
    for (const auto& move : moves) {
      if ((roll -= move.first) <= 0 || &move == &moves.back()) {
        check(move.second());
        return;
      }
    }
  }

  std::vector<std::size_t> pendingCalls() const {
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < service_->calls.size(); ++i) {
      if (service_->calls[i].complete) pending.push_back(i);
    }
    return pending;
  }

  // Answers call `index` with a random answer of its kind; says what that may end the flow with.
  Expectation answer(std::size_t index) {
    const std::string operation = service_->calls[index].operation;
    const std::string marker = "probe-" + std::to_string(flowIndex_) + "-" +
                               std::to_string(random_() % 1000000007ULL) + "-x";
    Expectation expectation;
    if (chance(0.15)) {
      const APIError error = static_cast<APIError>(pick(4));
      note("answer " + operation + " with error " + std::string(rawValue(error)));
      service_->complete(index, std::nullopt, error);
      const auto sameError = [error](const Dictionary& data) {
        return data == Dictionary{{"error", std::string(rawValue(error))}};
      };
      if (operation == "completeOrder") expectation = {true, false, sameError};
      // A failing status poll ends the flow when it was the last one allowed.
      if (operation == "checkPaymentStatus") expectation = {false, false, sameError};
      settle();
      return expectation;
    }
    Dictionary data;
    if (operation == "verifyPaymentData") {
      data = verifyAnswer(marker, expectation);
      lastVerifyMarker_ = marker;
    } else if (operation == "checkPaymentStatus") {
      data = statusAnswer(marker, expectation);
    } else if (operation == "verifyOtp") {
      data = otpAnswer(expectation);
    } else if (operation == "completeOrder") {
      data = {{"tracked", true}, {"marker", marker}};
      expectation = {true, true, [data](const Dictionary& got) { return got == data; }};
    } else {
      data = {{"message", "ok"}, {"marker", marker}};
    }
    note("answer " + operation + " with " + data.dump());
    service_->complete(index, data);
    settle();
    return expectation;
  }

  Dictionary verifyAnswer(const std::string& marker, Expectation& expectation) {
    Dictionary data = {{"tarvel_oid", "tvl-" + std::to_string(flowIndex_)},
                       {"auth_token", "tok-prop"},
                       {"uapp", {"phonepe", "gpay", "paytm"}},
                       {"u_link", "upi://pay?pa=shop%40upi&pn=Shop&am=499.00&cu=INR"},
                       {"qrCode", "data:image/png;base64,"},
                       {"total", "499.00"},
                       {"msg", {{"heading", "Success!"}}},
                       {"marker", marker}};
    const bool cod = kind_ == FlowKind::codPushed || kind_ == FlowKind::codPresented;
    std::optional<bool> endsCodFlowWith;
    switch (pick(5)) {
      case 0:  // the platform refuses the order
        data["msg"]["heading"] = "Failed!";
        endsCodFlowWith = false;
        break;
      case 1:  // a known shopper: no OTP needed
        data["merchant_user_verified"] = true;
        data["otp_verified"] = nullptr;
        endsCodFlowWith = true;
        break;
      case 2:  // an answer without the keys that decide: no "merchant_user_verified" counts
               // as false, and no "otp_verified" is not the null that asks for an OTP
        data.erase("uapp");
        data.erase("u_link");
        endsCodFlowWith = true;
        break;
      default:  // the OTP is needed
        data["merchant_user_verified"] = false;
        data["otp_verified"] = nullptr;
        break;
    }
    if (cod && endsCodFlowWith) {
      expectation = {true, *endsCodFlowWith, [data](const Dictionary& got) { return got == data; }};
    }
    return data;
  }

  Dictionary statusAnswer(const std::string& marker, Expectation& expectation) {
    static const char* const kStatuses[] = {"PAID", "PENDING", "FAILED", "CREATED"};
    const std::string status = kStatuses[pick(4)];
    Dictionary data = {{"payment_status", status}, {"marker", marker}};
    const auto sameAnswer = [data](const Dictionary& got) { return got == data; };
    // A status other than "PAID" ends the flow only on the last allowed poll.
    expectation = {status == "PAID", status == "PAID", sameAnswer};
    return data;
  }

  Dictionary otpAnswer(Expectation& expectation) {
    if (chance(0.5)) {
      return {{"statusCode", 400}, {"statusMessage", "Invalid OTP"}};
    }
    const std::optional<std::string> verifyMarker = lastVerifyMarker_;
    expectation = {true, true, [verifyMarker](const Dictionary& got) {
                     return got.value("otp_verified", false) == true &&
                            got.value("marker", std::string()) == verifyMarker.value_or("");
                   }};
    return {{"statusCode", 200}, {"statusMessage", "OTP verified"}};
  }

  // A confirmed cancel: {} when plain, the platform's failure when one was shown before.
  static bool cancelled(const Dictionary& data) {
    return data == Dictionary::object() ||
           (data.size() == 1 && data.contains("error") && data["error"].is_string());
  }

  Expectation tapAlertAction() {
    Alert* alert = Alert::openAlerts().back();
    const QStringList titles = alert->actionTitles();
    if (titles.isEmpty()) {
      note("close an alert without actions");
      alert->close();
      settle();
      return {};
    }
    const QString title = titles.at(static_cast<int>(pick(titles.size())));
    const bool confirmsCancel = alert->title() == kCancelQuestion && title == "OK";
    note("alert \"" + alert->title().toStdString() + "\": tap " + title.toStdString());
    alert->triggerAction(title);
    settle();
    if (!confirmsCancel) return {};
    return {true, false, cancelled};
  }

  Expectation pressBack() {
    note("back");
    if (auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data());
        upi && upi->backButton()) {
      upi->backButton()->click();
    } else if (auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data())) {
      otp->backButtonClick();
    }
    settle();
    return {};
  }

  int tileCount() const {
    auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data());
    return upi ? static_cast<int>(upi->paymentOptionViews().size()) : 0;
  }

  Expectation tapTile() {
    auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data());
    const int index = static_cast<int>(pick(static_cast<std::size_t>(tileCount())));
    note("tap tile " + std::to_string(index));
    upi->paymentOptionViews().at(index)->buttonUPIOption()->click();
    settle();
    return {};
  }

  bool otpPanelOpen() const {
    auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data());
    auto* panel = otp ? otp->findChild<QWidget*>("viewCODContainer") : nullptr;
    return panel && panel->isVisible();
  }

  Expectation enterOtp() {
    auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data());
    std::string typed;
    for (int n = 1; n <= 4; ++n) {
      auto* field = otp->findChild<QLineEdit*>(QString("textField%1").arg(n));
      const std::string digit(1, static_cast<char>('0' + pick(10)));
      field->clear();
      QTest::keyClicks(field, QString::fromStdString(digit));
      typed += digit;
    }
    note("type OTP " + typed + " and submit");
    otp->submitOTPOption();
    settle();
    return {};
  }

  Expectation switchForeground() {
    const bool active = !Application::shared()->isActive();
    note(active ? "come back to the shop" : "switch away");
    Application::shared()->applyApplicationState(active ? Qt::ApplicationActive
                                                        : Qt::ApplicationInactive);
    settle();
    return {};
  }

  Expectation advanceClock() {
    static const int kSeconds[] = {1, 2, 5, 5, 15, 31};
    const int by = kSeconds[pick(6)];
    note("wait " + std::to_string(by) + " s");
    clock_->advance(seconds(by));
    settle();
    return {};
  }

  // Offline, a status poll fails at once with "No Network", and the last one allowed ends the
  // flow: any move that lets a poll run (a timer, a return, a tap) may cause that outcome.
  Expectation orAPollFailingOffline(const Expectation& expectation) const {
    if (expectation.matches || online_) return expectation;
    return {false, false, [](const Dictionary& data) {
              return data == Dictionary{{"error", "No Network"}};
            }};
  }

  Expectation toggleNetwork() {
    online_ = !online_.load();
    note(online_ ? "network back" : "network gone");
    return {};
  }

  // The host may let go of the entry object while its flow runs.
  Expectation dropEntryObject() {
    note("the host drops the entry object");
    entry_.reset();
    settle();
    return {};
  }

  // --- checking ----------------------------------------------------------------------------

  void check(const Expectation& moveExpectation) {
    const Expectation expectation = orAPollFailingOffline(moveExpectation);
    const std::size_t before = reportedBefore_;
    if (expectation.required) {
      processEventsUntil([&] { return host_->outcomes.size() > before; },
                         std::chrono::milliseconds(3000));
    }
    settle();
    const std::size_t now = host_->outcomes.size();
    reportedBefore_ = now;
    if (now == before) {
      if (expectation.required) fault(tally_.missing, "the move above must end the flow");
      return;
    }
    if (now - before > 1 || before > 0) {
      fault(tally_.duplicates, "more than one outcome");
      return;
    }
    const CountingHost::Outcome& outcome = host_->outcomes.back();
    if (!outcome.onGuiThread) fault(tally_.unexpected, "outcome off the GUI thread");
    if (!expectation.matches) {
      fault(tally_.unexpected, "an outcome the move above cannot cause: " + describe(outcome));
    } else if (outcome.status != expectation.status || !expectation.matches(outcome.data)) {
      fault(tally_.unexpected, "wrong outcome for the move above: " + describe(outcome));
    }
  }

  // The shopper gives up: closes the alerts and cancels; a screenless flow gets its answer.
  void leave() {
    for (int i = 0; i < 8 && !Alert::openAlerts().isEmpty(); ++i) {
      Alert* alert = Alert::openAlerts().back();
      const QStringList titles = alert->actionTitles();
      note("leave: dismiss alert \"" + alert->title().toStdString() + "\"");
      if (titles.isEmpty() ||
          !alert->triggerAction(titles.contains("CANCEL") ? "CANCEL" : titles.first())) {
        alert->close();
      }
      settle();
    }
    check({});
    if (!host_->outcomes.empty()) return;
    if (kind_ == FlowKind::rtoTracking) {
      for (std::size_t index : pendingCalls()) check(answer(index));
      if (host_->outcomes.empty()) fault(tally_.missing, "the RTO request ended without outcome");
      return;
    }
    if (!screen_) {
      processEventsUntil([&] { return !host_->outcomes.empty(); }, std::chrono::milliseconds(3000));
      check({});
      if (host_->outcomes.empty()) fault(tally_.missing, "screen gone, flow never ended");
      return;
    }
    pressBack();
    Alert* question = nullptr;
    for (Alert* alert : Alert::openAlerts()) {
      if (alert->title() == kCancelQuestion) question = alert;
    }
    if (!question) {
      fault(tally_.missing, "the back button asked nothing: the shopper is stuck");
      return;
    }
    note("leave: confirm cancel");
    question->triggerAction("OK");
    check({true, false, cancelled});
  }

  // Every answer still outstanding arrives now, the timers run on and the shopper switches
  // apps: none of it may reach the host again.
  void answerLate() {
    for (int round = 0; round < 3; ++round) {
      for (std::size_t index : pendingCalls()) {
        answer(index);
        ++tally_.lateAnswers;
      }
      clock_->advance(seconds(31));
      switchForeground();
      settle();
    }
    online_ = true;
    Application::shared()->applyApplicationState(Qt::ApplicationActive);
    settle();
    if (host_->outcomes.size() > 1) fault(tally_.duplicates, "an outcome after the flow ended");
  }

  void checkNothingLeft() {
    auto* navigation = qobject_cast<NavigationController*>(
        detail::KeyWindow::rootWidget(detail::KeyWindow::current()));
    const auto clean = [&] {
      return !screen_ && Alert::openAlerts().isEmpty() &&
             (!navigation || (navigation->viewControllers().size() == 1 &&
                              !navigation->presentedViewController()));
    };
    if (!processEventsUntil(clean, std::chrono::milliseconds(3000))) {
      fault(tally_.screensLeft, "a screen or an alert is left behind");
      for (Alert* alert : Alert::openAlerts()) alert->close();
      if (screen_) delete screen_.data();
      settle();
    }
  }

  void account() {
    ++tally_.flows;
    tally_.outcomes += host_->outcomes.size();
    for (const auto& outcome : host_->outcomes)
      ++(outcome.status ? tally_.succeeded : tally_.failed);
    reportedBefore_ = 0;
  }

  void fault(unsigned long long& counter, const std::string& what) {
    ++counter;
    std::ostringstream story;
    story << "flow " << flowIndex_ << " (" << nameOf(kind_) << ", seed " << seed_ << "): " << what
          << "\nmoves:\n";
    for (const auto& line : trace_) story << "  " << line << '\n';
    story << "component log:\n";
    for (const auto& line : flowLog_) story << "  | " << line << '\n';
    ADD_FAILURE() << story.str();
  }

  static std::string describe(const CountingHost::Outcome& outcome) {
    return std::string("status ") + (outcome.status ? "true" : "false") + " " + outcome.data.dump();
  }
  void note(std::string move) { trace_.push_back(std::move(move)); }

  bool chance(double probability) { return std::bernoulli_distribution(probability)(random_); }
  std::size_t pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }

  unsigned long long seed_ = 0;
  std::mt19937_64 random_;
  Tally tally_;

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>();
  std::shared_ptr<FakeServiceScreens> screens_ = std::make_shared<FakeServiceScreens>();
  std::atomic<bool> online_{true};
  std::unique_ptr<QMainWindow> window_;

  unsigned long long flowIndex_ = 0;
  FlowKind kind_ = FlowKind::upiTiles;
  std::shared_ptr<CountingHost> host_;
  std::shared_ptr<FakeAPIService> service_;
  std::shared_ptr<TarvelCheckout> entry_;
  QPointer<CheckoutScreen> screen_;
  std::optional<std::string> lastVerifyMarker_;
  std::size_t reportedBefore_ = 0;
  std::vector<std::weak_ptr<void>> viewModels_;
  std::vector<std::string> trace_;
  std::vector<std::string> flowLog_;
};

TEST_F(OutcomePropertyTest, EveryRandomFlowEndsWithExactlyOneOutcome) {
  seed_ = numberFromEnvironment("TARVEL_PROPERTY_SEED", std::random_device{}());
  const unsigned long long flows = numberFromEnvironment("TARVEL_PROPERTY_FLOWS", kDefaultFlows);
  random_.seed(seed_);
  std::printf("one outcome per flow: seed %llu (replay with TARVEL_PROPERTY_SEED=%llu)\n", seed_,
              seed_);
  std::fflush(stdout);

  for (unsigned long long index = 0; index < flows; ++index) {
    runFlow(index);
    if (::testing::Test::HasFailure()) break;  // one flow's story is enough to debug
  }

  const Tally& t = tally_;
  std::printf(
      "one outcome per flow: seed %llu, %llu flows run, %llu outcomes (%llu true, %llu false), "
      "duplicates %llu, missing %llu, unexpected %llu, screens left %llu; %llu shopper and "
      "platform moves, %llu late answers\n",
      seed_, t.flows, t.outcomes, t.succeeded, t.failed, t.duplicates, t.missing, t.unexpected,
      t.screensLeft, t.steps, t.lateAnswers);
  std::fflush(stdout);
  EXPECT_EQ(t.flows, flows);
  EXPECT_EQ(t.outcomes, t.flows);
  EXPECT_EQ(t.duplicates, 0u);
  EXPECT_EQ(t.missing, 0u);
  EXPECT_EQ(t.unexpected, 0u);
  EXPECT_EQ(t.screensLeft, 0u);
}

}  // namespace
}  // namespace tarvel::test
