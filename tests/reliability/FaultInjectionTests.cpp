// Every fault the platform can throw at every flow, end to end: the host's openCart, the real
// screens (offscreen), the real service and loader against a loopback platform that fails at
// one endpoint per flow. Each flow must end with exactly one outcome, or stay on a screen whose
// back button ends it with exactly one outcome; the log must say what went wrong. The suite
// prints the table fault x flow -> what the shopper and the host saw.
#include <chrono>   // milliseconds, seconds
#include <cstdio>   // printf, fflush
#include <map>      // map
#include <memory>   // make_shared, shared_ptr
#include <set>      // set
#include <string>   // string
#include <utility>  // pair
#include <vector>   // vector

#include <QAbstractButton>
#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include "CountingService.h"
#include "FaultTestProcess.h"
#include "FaultyPlatform.h"
#include "FlowDriving.h"
#include "InstalledSchemesRegistry.h"
#include "LogCapture.h"
#include "ManualClock.h"
#include "QtWait.h"
#include "entry/ScreenFactory.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/KeyWindow.h"
#include "platform/MainQueue.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/NavigationController.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;
using detail::Alert;

// What one flow did under one fault.
struct Cell {
  std::string text;  // for the table
  std::vector<std::string> problems;
};

class FaultInjectionTests : public ::testing::Test {
 protected:
  void SetUp() override {
    detail::MainQueue::setClock(clock_);
    detail::Application::shared()->applyApplicationState(Qt::ApplicationActive);
  }
  void TearDown() override {
    detail::ScreenFactory::setShared(nullptr);
    detail::Application::setUrlSchemeRegistry(nullptr);
    detail::MainQueue::setClock(nullptr);
  }

  Cell run(const FlowInfo& info, const FaultInfo& faultInfo);

  std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
};

std::string describe(const std::pair<bool, Dictionary>& outcome) {
  std::string text = outcome.first ? "true" : "false";
  if (outcome.second.is_object() && outcome.second.contains("error"))
    text += " {error}";
  else if (outcome.second.empty())
    text += " {}";
  return text;
}

// The log line that explains a fault on a flow; empty where the answer itself is usable.
std::string explanationFor(Flow flow, const FaultInfo& fault) {
  if (flow == Flow::web) return fault.pageExplanation;
  // The OTP check takes any object; the screen then shows why it refused the answer.
  const bool otp = flow == Flow::codOtp || flow == Flow::codOtpSheet;
  if (fault.fault == Fault::noData && otp) return "+++RESPONSE+++";
  return fault.apiExplanation;
}

Cell FaultInjectionTests::run(const FlowInfo& info, const FaultInfo& faultInfo) {
  const Fault fault = faultInfo.fault;
  Cell cell;
  auto problem = [&](const std::string& what) { cell.problems.push_back(what); };

  FaultyPlatform platform(info.faultedPath, fault);
  if (!platform.start()) {
    problem("the test platform did not start");
    return cell;
  }
  setCheckoutPageTarget(platform.baseUrl());
  // A slow answer costs the client's whole time-out, at every status poll: short there.
  auto service = installCountedService(platform.baseUrl(),
                                       fault == Fault::slow ? kSlowClientTimeout : kClientTimeout);
  detail::Application::setUrlSchemeRegistry(std::make_shared<InstalledSchemesRegistry>(
      info.flow == Flow::upiTiles ? std::set<std::string>{"phonepe"} : std::set<std::string>{}));

  LogCapture log;
  auto host = std::make_shared<RecordingHost>();
  auto window = showHostWindow();

  {
    TarvelCheckout checkout(false, host);
    checkout.setViewModel(std::make_shared<VerifyOTPViewModel>(service, Dictionary::object()));
    const bool otp = info.flow == Flow::codOtp || info.flow == Flow::codOtpSheet;
    const bool singleStep = info.flow != Flow::upiQr && !otp;
    if (fault == Fault::down && singleStep) platform.goDown();

    checkout.openCart(orderFor(info.flow));
    QPointer<NavigationController> navigation = windowNavigation();
    QPointer<CheckoutScreen> screen =
        !navigation ? nullptr
        : info.flow == Flow::codOtpSheet
            ? qobject_cast<CheckoutScreen*>(navigation->presentedViewController())
            : qobject_cast<CheckoutScreen*>(navigation->topViewController());
    if (info.flow != Flow::rto && !screen) problem("no screen was shown");

    switch (info.flow) {
      case Flow::upiTiles:
        if (!rest(*service)) problem("platform calls never completed");
        break;
      case Flow::upiQr:
        if (!rest(*service)) problem("platform calls never completed");
        if (fault == Fault::down) platform.goDown();
        for (int tick = 0; tick < 30 && host->taken().empty(); ++tick) {
          const std::size_t before = service->issued();
          clock_->advance(5s);
          settle();
          if (!rest(*service)) problem("a status poll never completed");
          if (service->issued() == before) break;
        }
        break;
      case Flow::codOtp:
      case Flow::codOtpSheet:
        if (!rest(*service)) problem("platform calls never completed");
        if (fault == Fault::down) platform.goDown();
        if (screen && child(screen, "viewCODContainer") &&
            child(screen, "viewCODContainer")->isVisible()) {
          typeOtpAndSubmit(screen);
          if (!rest(*service)) problem("the OTP verification never completed");
        }
        break;
      case Flow::web: {
        auto* web = qobject_cast<CustomeCheckout*>(screen.data());
        auto pageFinished = std::make_shared<bool>(false);
        QPointer<QWebEngineView> watched;
        // Qt WebEngine starts its renderer on first use: a generous bound.
        const bool settled = processEventsUntil(
            [&] {
              if (screen && web->webView() && watched != web->webView()) {
                watched = web->webView();
                QObject::connect(watched, &QWebEngineView::loadFinished,
                                 [pageFinished](bool) { *pageFinished = true; });
              }
              // A page that posts its result is waited for until it has.
              if (fault == Fault::status500Valid || fault == Fault::illTyped) {
                return !host->taken().empty();
              }
              return !host->taken().empty() || *pageFinished ||
                     (screen && web->pageFailureMessage()) ||
                     (fault == Fault::slow && platform.received("/custom.html"));
            },
            60s);
        if (!settled) problem("the page neither loaded nor failed");
        break;
      }
      case Flow::rto:
        if (!rest(*service)) problem("the tracking request never completed");
        if (!processEventsUntil([&] { return !host->taken().empty(); }, 5s)) {
          problem("no outcome");
        }
        break;
    }
    settle();

    // Polling has a bound: once it has started, it ends the flow by itself.
    if (info.flow == Flow::upiQr && service->issued() > 1 && host->taken().empty()) {
      problem("status polling ended without an outcome");
    }

    // The shopper's way out: dismiss what is shown, press back, confirm.
    std::string how;
    if (host->taken().empty() && screen) {
      auto* web = qobject_cast<CustomeCheckout*>(screen.data());
      const auto alerts = Alert::openAlerts().size();
      QSet<QString> texts;
      for (Alert* alert : Alert::openAlerts())
        texts.insert(alert->title() + '\n' + alert->message());
      if (static_cast<qsizetype>(texts.size()) != alerts) {
        problem("the same alert is stacked " + std::to_string(alerts) + " times");
      }
      if (alerts == 1) how = "alert, ";
      if (alerts > 1) how = std::to_string(alerts) + " alerts, ";
      const bool message =
          web && web->pageFailureMessage() && web->pageFailureMessage()->isVisible();
      if (message) how = "message, ";
      if (web && !message && explanationFor(info.flow, faultInfo) == "did not load") {
        problem("the page did not load and no plain message took its place");
      }
      for (Alert* alert : Alert::openAlerts()) {
        if (!alert->triggerAction("Ok")) alert->close();
      }
      settle();
      QAbstractButton* back = backButtonOf(screen);
      if (!back || !back->isVisible() || !back->isEnabled()) {
        problem("no outcome and no back button to leave the screen");
      } else {
        back->click();
        settle();
        for (Alert* alert : Alert::openAlerts()) alert->triggerAction("OK");
        if (!processEventsUntil([&] { return !host->taken().empty(); }, 10s)) {
          problem("back did not end the flow");
        }
        how += "back -> ";
      }
    }
    processEventsUntil([&] {
      return screen.isNull() && (!navigation || (navigation->viewControllers().size() == 1 &&
                                                 !navigation->presentedViewController()));
    });
    settle();

    const auto outcomes = host->taken();
    if (outcomes.size() != 1) {
      problem(std::to_string(outcomes.size()) + " outcomes instead of one");
    }
    if (!screen.isNull()) problem("the screen stayed after the outcome");
    if (!Alert::openAlerts().isEmpty()) problem("an alert stayed open after the outcome");
    if (service->repeatedCompletions() != 0) problem("a platform call completed twice");
    const std::string explanation = explanationFor(info.flow, faultInfo);
    if (!explanation.empty() &&
        !processEventsUntil([&] { return log.contains(explanation); }, 10s)) {
      problem("no log line says \"" + explanation + "...\"");
    }
    cell.text = how + (outcomes.empty() ? std::string("none") : describe(outcomes.front()));
  }
  for (Alert* alert : Alert::openAlerts()) alert->close();
  window.reset();
  delete detail::KeyWindow::ownWindow();
  settle();
  // The client (the service owns its loader) lets go of its kept-alive connections before the
  // platform stops, which would otherwise wait for them to idle out.
  detail::ScreenFactory::setShared(nullptr);
  service.reset();
  return cell;
}

void printTable(const std::map<std::pair<int, int>, Cell>& cells) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::printf("==== fault table: fault x flow -> outcome ====\n");
  std::printf("%-24s", "fault \\ flow");
  for (const auto& flow : allFlows()) std::printf(" | %-26s", flow.name);
  std::printf("\n");
  for (std::size_t f = 0; f < allFaults().size(); ++f) {
    std::printf("%-24s", allFaults()[f].name);
    for (std::size_t c = 0; c < allFlows().size(); ++c) {
      auto found = cells.find({static_cast<int>(f), static_cast<int>(c)});
      std::string text = found == cells.end() ? "-" : found->second.text;
      if (found != cells.end() && !found->second.problems.empty()) text = "FAULT: " + text;
      std::printf(" | %-26s", text.c_str());
    }
    std::printf("\n");
  }
  std::printf(
      "legend: true/false = the host's status; {} empty data, {error} an \"error\" key; "
      "\"alert, back -> \" the screen showed an alert and stayed, the back button ended it; "
      "\"message\" the web checkout showed its page-failure text\n");
  std::printf("==== end of fault table ====\n");
  std::fflush(stdout);
}

TEST_F(FaultInjectionTests, EveryFaultOnEveryFlowEndsWithOneOutcomeOrAWayOut) {
  std::map<std::pair<int, int>, Cell> cells;
  for (std::size_t c = 0; c < allFlows().size(); ++c) {
    for (std::size_t f = 0; f < allFaults().size(); ++f) {
      const FlowInfo& flow = allFlows()[c];
      const FaultInfo& fault = allFaults()[f];
      Cell cell = run(flow, fault);
      for (const auto& what : cell.problems) {
        ADD_FAILURE() << flow.name << " / " << fault.name << ": " << what;
      }
      cells[{static_cast<int>(f), static_cast<int>(c)}] = std::move(cell);
    }
  }
  printTable(cells);
}

}  // namespace
}  // namespace tarvel::test
