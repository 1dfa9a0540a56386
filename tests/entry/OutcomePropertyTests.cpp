// Many randomized checkouts through the entry object and the real UPI and OTP screens
// (offscreen, manual clock, fake service, injected app registry): whatever the platform answers,
// whenever the shopper cancels, switches away or answers late, each flow reports exactly one
// outcome, on the GUI thread, with the status its cause calls for, nothing after that, and
// leaves no screen or view model behind. A platform call that fails outright, and the RTO
// request, are the fault table's (tests/reliability): here every call gets an answer, the
// interleaving is what varies.
//
// The run is seeded and repeatable: the seed is printed, and TARVEL_PROPERTY_SEED replays it
// (TARVEL_PROPERTY_FLOWS changes the number of flows).
#include <algorithm>  // any_of
#include <atomic>     // atomic
#include <cstdio>     // printf, fflush
#include <random>     // mt19937_64, random_device, distributions
#include <sstream>    // ostringstream

#include <QAbstractButton>
#include <QLoggingCategory>

#include "EntryTestFixture.h"
#include "ScreenTestFixture.h"
#include "ServiceScreenFactory.h"

namespace tarvel::test {
namespace {

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

// What the action just taken may end the flow with (nothing when `matches` is empty).
// `required`: the flow must end now.
struct Expectation {
  bool required = false;
  bool status = false;
  std::function<bool(const Dictionary&)> matches;
};
Expectation ending(bool required, bool status, const Dictionary& data) {
  return {required, status, [data](const Dictionary& got) { return got == data; }};
}
// A confirmed cancel: {} when plain, the platform's failure when one was shown before.
const Expectation kCancelled = {
    true, false, [](const Dictionary& data) {
      return data == Dictionary::object() ||
             (data.size() == 1 && data.contains("error") && data["error"].is_string());
    }};

// The figures of the whole run.
struct Tally {
  unsigned long long flows = 0, succeeded = 0, failed = 0, duplicates = 0, missing = 0,
                     unexpected = 0, screensLeft = 0, steps = 0, lateAnswers = 0;
};

class OutcomePropertyTest : public EntryTestFixture {
 protected:
  void SetUp() override {
    EntryTestFixture::SetUp();
    // The offscreen platform warns for every window that it cannot resize or raise it:
    // thousands of lines that would bury a failing flow's story (the component logs to log_).
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    detail::MainQueue::setClock(clock_);
    detail::Application::setUrlSchemeRegistry(registry_);
    setActive(true);
    InternetConnectionManager::setProbe([this]() -> std::optional<uint32_t> {
      return online_.load() ? InternetConnectionManager::kReachable : 0u;
    });
    showHostWindow(new QWidget);
  }
  void TearDown() override {
    EntryTestFixture::TearDown();
    InternetConnectionManager::setProbe({});
  }

  void runFlow(unsigned long long index) {
    flowIndex_ = index;
    log_.clear();
    trace_.clear();
    reportedBefore_ = 0;
    lastVerifyMarker_.clear();
    host_ = std::make_shared<RecordingHost>();
    service_ = std::make_shared<FakeAPIService>();
    detail::ScreenFactory::setShared(std::make_shared<ServiceScreenFactory>(service_));
    online_ = chance(0.93);
    kind_ = allFlows()[pick(4)];  // the UPI and OTP screens' flows
    for (const char* scheme : {"phonepe", "gpay", "paytm", "bhim"}) registry_->uninstall(scheme);
    if (kind_.flow != Flow::upiQr) {
      registry_->install("phonepe");
      if (chance(0.5)) registry_->install("paytm");
    }
    // A UPI order may name an app (installed or not), an OTP one none.
    Dictionary order = orderFor(kind_.flow, "moid-" + std::to_string(flowIndex_));
    if (kind_.flow == Flow::upiTiles && chance(0.3))
      order["upi_app"] = chance(0.5) ? "phonepe" : "bhim";
    if (kind_.flow == Flow::codOtp && chance(0.5)) order.erase("upi_app");

    checkout_ = std::make_shared<TarvelCheckout>(false, host_);
    note(std::string("open ") + kind_.name + (online_ ? "" : " offline"));
    checkout_->openCart(order);
    settle();
    NavigationController* navigation = windowNavigation();  // the flow's screen, if it has one
    screen_ =
        qobject_cast<CheckoutScreen*>(navigation ? navigation->visibleViewController() : nullptr);
    std::vector<std::weak_ptr<void>> viewModels;  // they must go with their screen
    if (auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data())) {
      viewModels = {upi->viewModel()};
    } else if (auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data())) {
      viewModels = {otp->viewModel(), otp->checkOutViewModel()};
    }

    for (int step = 0; step < kShopperSteps && host_->outcomes().empty(); ++step, ++tally_.steps)
      takeRandomStep();
    if (host_->outcomes().empty()) leave();
    checkNothingLeft();
    settle();  // what the screen's end posted has run
    // With calls still unanswered: a pending call must not keep its view model alive.
    if (!screen_ && std::any_of(viewModels.begin(), viewModels.end(),
                                [](const std::weak_ptr<void>& model) { return !model.expired(); }))
      fault(tally_.screensLeft, "a view model outlived its screen");
    answerLate();
    checkNothingLeft();
    checkout_.reset();
    ++tally_.flows;
    for (const auto& outcome : host_->outcomes())
      ++(outcome.status ? tally_.succeeded : tally_.failed);
  }

  // One move of the shopper's or the platform's, drawn among those the screen allows.
  void takeRandomStep() {
    const std::vector<std::size_t> pending = pendingCalls();
    const bool alert = !Alert::openAlerts().isEmpty();
    auto* upi = qobject_cast<UpiCheckoutViewController*>(screen_.data());
    auto* otp = qobject_cast<VerifyOTPViewController*>(screen_.data());
    const std::size_t tiles = upi ? static_cast<std::size_t>(upi->paymentOptionViews().size()) : 0;
    QWidget* panel = child(otp, "viewCODContainer");
    const std::pair<double, std::function<void()>> moves[] = {
        {pending.empty() ? 0 : 5.0, [&] { answer(pending[pick(pending.size())]); }},
        {alert ? 3.0 : 0, [&] { tapAlertAction(); }},
        {screen_ && !alert ? 1.0 : 0, [&] { pressBack(); }},
        {tiles > 0 && !alert ? 2.0 : 0,
         [&] {
           const int index = static_cast<int>(pick(tiles));
           note("tap tile " + std::to_string(index));
           upi->paymentOptionViews().at(index)->buttonUPIOption()->click();
         }},
        {panel && panel->isVisible() && !alert ? 2.0 : 0,
         [&] {
           std::string typed;
           for (int n = 0; n < 4; ++n) typed += static_cast<char>('0' + pick(10));
           note("type OTP " + typed + " and submit");
           typeOtpAndSubmit(otp, typed);
         }},
        {1.0, [&] { setActive(!detail::Application::shared()->isActive()); }},
        {2.0,
         [&] {
           const int by = std::vector<int>{1, 2, 5, 5, 15, 31}[pick(6)];
           note("wait " + std::to_string(by) + " s");
           clock_->advance(seconds(by));
         }},
        {0.3,
         [&] {
           online_ = !online_.load();
           note(online_ ? "network back" : "network gone");
         }},
        // The host may let go of the entry object while its flow runs.
        {checkout_ ? 0.3 : 0, [&] {
           note("the host drops the entry object");
           checkout_.reset();
         }}};
    std::vector<double> weights;
    for (const auto& move : moves) weights.push_back(move.first);
    expect_ = {};
    moves[std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(random_)]
        .second();
    check(expect_);
  }

  std::vector<std::size_t> pendingCalls() const {
    std::vector<std::size_t> pending;
    for (std::size_t i = 0; i < service_->calls.size(); ++i) {
      if (service_->calls[i].complete) pending.push_back(i);
    }
    return pending;
  }

  // Answers call `index` with a random answer of its kind; says what that may end the flow with.
  // A verify answer (the screens' tests' own, see ScreenTestFixture) is of one of four kinds:
  // the platform refuses the order, though it asks for an OTP (0); a known shopper, no OTP
  // needed (1); an answer without the keys that decide (2: no "merchant_user_verified" counts as
  // false, and no "otp_verified" is not the null that asks for an OTP); the OTP is needed (3, 4).
  // The first three end an OTP flow.
  void answer(std::size_t index) {
    static const char* const kStatuses[] = {"PAID", "PENDING", "FAILED", "CREATED"};
    const std::string operation = service_->calls[index].operation;
    const std::string marker = "probe-" + std::to_string(flowIndex_) + "-" + std::to_string(index);
    Dictionary data = {{"message", "ok"}, {"marker", marker}};
    if (operation == "verifyPaymentData") {
      data = test::verifyAnswer({{"marker", marker}});
      lastVerifyMarker_ = marker;
      const std::size_t kind = pick(5);
      if (kind == 0) data["msg"]["heading"] = "Failed!";
      if (kind == 1) data["merchant_user_verified"] = true;
      if (kind == 2) {
        for (const char* key : {"uapp", "u_link", "merchant_user_verified", "otp_verified"})
          data.erase(key);
      }
      const bool cod = kind_.flow == Flow::codOtp || kind_.flow == Flow::codOtpSheet;
      if (cod && kind <= 2) expect_ = ending(true, kind != 0, data);
    } else if (operation == "checkPaymentStatus") {
      data = {{"payment_status", kStatuses[pick(4)]}, {"marker", marker}};
      // A status other than "PAID" ends the flow only on the last allowed poll.
      const bool paid = data["payment_status"] == "PAID";
      expect_ = ending(paid, paid, data);
    } else if (operation == "verifyOtp") {
      const bool right = chance(0.5);
      data = {{"statusCode", right ? 200 : 400},
              {"statusMessage", right ? "OTP verified" : "Invalid OTP"}};
      if (right) {
        expect_ = {true, true, [verify = lastVerifyMarker_](const Dictionary& got) {
                     return got.value("otp_verified", false) == true &&
                            got.value("marker", std::string()) == verify;
                   }};
      }
    }
    note("answer " + operation + " with " + data.dump());
    service_->complete(index, data, std::nullopt);
    settle();
  }

  // Taps a random action of the top alert, or the one the shopper who leaves would tap
  // ("CANCEL" where there is one); an alert without actions is closed.
  void tapAlertAction(bool leaving = false) {
    Alert* alert = Alert::openAlerts().back();
    const QStringList titles = alert->actionTitles();
    const bool question = alert->title() == kCancelQuestion;
    QString title = titles.isEmpty() ? QString() : titles.at(static_cast<int>(pick(titles.size())));
    if (leaving && !titles.isEmpty()) title = titles.contains("CANCEL") ? "CANCEL" : titles.first();
    note("alert \"" + alert->title().toStdString() + "\": tap " + title.toStdString());
    if (title.isEmpty() || !alert->triggerAction(title)) alert->close();
    if (question && title == "OK") expect_ = kCancelled;
  }

  void pressBack() {
    note("back");
    if (auto* back =
            qobject_cast<QAbstractButton*>(screen_ ? screen_->leftNavigationItem() : nullptr))
      back->click();
    settle();
  }

  void setActive(bool active) {
    note(active ? "come back to the shop" : "switch away");
    detail::Application::shared()->applyApplicationState(active ? Qt::ApplicationActive
                                                                : Qt::ApplicationInactive);
    settle();
  }

  void check(Expectation expectation) {
    // Offline, a status poll fails at once with "No Network", and the last one allowed ends the
    // flow: any move that lets a poll run (a timer, a return, a tap) may cause that outcome.
    if (!expectation.matches && !online_)
      expectation = ending(false, false, {{"error", "No Network"}});
    const std::size_t before = reportedBefore_;
    if (expectation.required) waitForOutcomes(before + 1, seconds(3));
    settle();
    const auto outcomes = host_->outcomes();
    reportedBefore_ = outcomes.size();
    if (outcomes.size() == before && expectation.required)
      return fault(tally_.missing, "the move above must end the flow");
    if (outcomes.size() == before) return;
    if (outcomes.size() - before > 1 || before > 0)
      return fault(tally_.duplicates, "more than one outcome");
    const RecordingHost::Outcome& outcome = outcomes.back();
    const std::string seen =
        std::string("status ") + (outcome.status ? "true " : "false ") + outcome.data.dump();
    if (outcome.thread != std::this_thread::get_id())
      fault(tally_.unexpected, "outcome off the GUI thread");
    if (!expectation.matches) {
      fault(tally_.unexpected, "an outcome the move above cannot cause: " + seen);
    } else if (outcome.status != expectation.status || !expectation.matches(outcome.data)) {
      fault(tally_.unexpected, "wrong outcome for the move above: " + seen);
    }
  }

  // The shopper gives up: closes the alerts and cancels; a screenless flow gets its answer.
  void leave() {
    for (int i = 0; i < 8 && !Alert::openAlerts().isEmpty(); ++i) {
      tapAlertAction(true);
      settle();
    }
    check({});
    if (!host_->outcomes().empty()) return;
    if (!screen_) return fault(tally_.missing, "screen gone, flow never ended");
    pressBack();
    for (Alert* question : Alert::openAlerts()) {
      if (question->title() != kCancelQuestion) continue;
      note("leave: confirm cancel");
      question->triggerAction("OK");
      return check(kCancelled);
    }
    fault(tally_.missing, "the back button asked nothing: the shopper is stuck");
  }

  // Every answer still outstanding arrives now (at released view models), the timers run on and
  // the shopper switches apps: none of it may reach the host again, or show anything.
  void answerLate() {
    for (int round = 0; round < 3; ++round) {
      for (std::size_t index : pendingCalls()) {
        answer(index);
        ++tally_.lateAnswers;
      }
      clock_->advance(seconds(31));
      setActive(!detail::Application::shared()->isActive());
    }
    online_ = true;
    setActive(true);
    if (host_->outcomes().size() > 1) fault(tally_.duplicates, "an outcome after the flow ended");
  }

  void checkNothingLeft() {
    NavigationController* navigation = windowNavigation();
    if (!processEventsUntil(
            [&] {
              return !screen_ && Alert::openAlerts().isEmpty() &&
                     (!navigation || (navigation->viewControllers().size() == 1 &&
                                      !navigation->presentedViewController()));
            },
            seconds(3))) {
      fault(tally_.screensLeft, "a screen or an alert is left behind");
      for (Alert* alert : Alert::openAlerts()) alert->close();
      delete screen_.data();
      settle();
    }
  }

  void fault(unsigned long long& counter, const std::string& what) {
    ++counter;
    std::ostringstream story;
    story << "flow " << flowIndex_ << " (" << kind_.name << ", seed " << seed_ << "): " << what
          << "\nmoves:\n";
    for (const auto& line : trace_) story << "  " << line << '\n';
    story << "component log:\n";
    for (const auto& line : log_.lines()) story << "  | " << line << '\n';
    ADD_FAILURE() << story.str();
  }

  void note(std::string move) { trace_.push_back(std::move(move)); }
  bool chance(double probability) { return std::bernoulli_distribution(probability)(random_); }
  std::size_t pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }

  unsigned long long seed_ = 0, flowIndex_ = 0;
  std::mt19937_64 random_;
  Tally tally_;
  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
  std::shared_ptr<InstalledSchemesRegistry> registry_ =
      std::make_shared<InstalledSchemesRegistry>();
  std::atomic<bool> online_{true};
  FlowInfo kind_ = allFlows().front();
  std::shared_ptr<FakeAPIService> service_;
  QPointer<CheckoutScreen> screen_;
  std::string lastVerifyMarker_;
  Expectation expect_;  // what the move just taken may end the flow with
  std::size_t reportedBefore_ = 0;
  std::vector<std::string> trace_;
  LogCapture log_;
};

TEST_F(OutcomePropertyTest, EveryRandomFlowEndsWithExactlyOneOutcome) {
  const QByteArray seed = qgetenv("TARVEL_PROPERTY_SEED"), count = qgetenv("TARVEL_PROPERTY_FLOWS");
  seed_ = seed.isEmpty() ? std::random_device{}() : seed.toULongLong();
  const unsigned long long flows = count.isEmpty() ? kDefaultFlows : count.toULongLong();
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
      seed_, t.flows, t.succeeded + t.failed, t.succeeded, t.failed, t.duplicates, t.missing,
      t.unexpected, t.screensLeft, t.steps, t.lateAnswers);
  std::fflush(stdout);
  EXPECT_EQ(t.flows, flows);
  EXPECT_EQ(t.succeeded + t.failed, t.flows);
  EXPECT_EQ(t.duplicates + t.missing + t.unexpected + t.screensLeft, 0u);
}

}  // namespace
}  // namespace tarvel::test
