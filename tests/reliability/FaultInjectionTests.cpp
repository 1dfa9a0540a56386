// Every fault the platform can throw at every flow, end to end: the host's openCart, the real
// screens (offscreen), the real service and loader against a loopback platform that fails at
// one endpoint per flow. Each flow must end with exactly one outcome, or stay on a screen whose
// back button ends it with exactly one outcome; the log must say what went wrong. The suite
// prints the table fault x flow -> what the shopper and the host saw.
#include <cstdio>  // printf, fflush
#include <map>     // map

#include <QSet>
#include <QWebEngineView>

#include "FaultyPlatform.h"
#include "FlowDriving.h"
#include "LogCapture.h"

namespace tarvel::test {
namespace {

using detail::Alert;

// What one flow did under one fault.
struct Cell {
  std::string text;  // for the table
  std::vector<std::string> problems;
};

// The log line that explains a fault on a flow; empty where the answer itself is usable.
std::string explanationFor(Flow flow, const FaultInfo& fault) {
  if (flow == Flow::web) return fault.pageExplanation;
  // The OTP check takes any object; the screen then shows why it refused the answer.
  const bool otp = flow == Flow::codOtp || flow == Flow::codOtpSheet;
  if (fault.fault == Fault::noData && otp) return "+++RESPONSE+++";
  return fault.apiExplanation;
}

class FaultInjectionTests : public FlowTest {
 protected:
  Cell run(const FlowInfo& info, const FaultInfo& faultInfo);
};

Cell FaultInjectionTests::run(const FlowInfo& info, const FaultInfo& faultInfo) {
  const Fault fault = faultInfo.fault;
  Cell cell;
  auto problem = [&](const std::string& what) { cell.problems.push_back(what); };
  FaultyPlatform platform(info.faultedPath, faultInfo);
  if (!platform.start()) {
    problem("the test platform did not start");
    return cell;
  }
  setCheckoutPageTarget(platform.baseUrl());
  // A slow answer costs the client's whole time-out, at every status poll: short there.
  startHost(
      platform.baseUrl(), fault == Fault::slow ? kSlowClientTimeout : kClientTimeout,
      info.flow == Flow::upiTiles ? std::set<std::string>{"phonepe"} : std::set<std::string>{});
  LogCapture log;
  const bool otp = info.flow == Flow::codOtp || info.flow == Flow::codOtpSheet;
  if (fault == Fault::down && info.flow != Flow::upiQr && !otp) platform.goDown();

  checkout_->openCart(orderFor(info.flow));
  QPointer<NavigationController> navigation = windowNavigation();
  QPointer<CheckoutScreen> screen =
      !navigation ? nullptr
      : info.flow == Flow::codOtpSheet
          ? qobject_cast<CheckoutScreen*>(navigation->presentedViewController())
          : qobject_cast<CheckoutScreen*>(navigation->topViewController());
  if (info.flow != Flow::rto && !screen) problem("no screen was shown");
  if (info.flow != Flow::web && !rest()) problem("platform calls never completed");
  if (fault == Fault::down && (info.flow == Flow::upiQr || otp)) platform.goDown();

  if (info.flow == Flow::upiQr) {
    for (int tick = 0; tick < 30 && host_->outcomes().empty(); ++tick) {
      const std::size_t before = service_->issued();
      clock_->advance(5s);
      settle();
      if (!rest()) problem("a status poll never completed");
      if (service_->issued() == before) break;
    }
  } else if (otp && child(screen, "viewCODContainer") &&
             child(screen, "viewCODContainer")->isVisible()) {
    typeOtpAndSubmit(screen);
    if (!rest()) problem("the OTP verification never completed");
  } else if (info.flow == Flow::web) {
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
          const bool posts = fault == Fault::status500Valid || fault == Fault::illTyped;
          return !host_->outcomes().empty() ||
                 (!posts && (*pageFinished || (screen && web->pageFailureMessage()) ||
                             (fault == Fault::slow && platform.received("/custom.html"))));
        },
        60s);
    if (!settled) problem("the page neither loaded nor failed");
  } else if (info.flow == Flow::rto && !waitForOutcomes(1, 5s)) {
    problem("no outcome");
  }
  settle();
  // Polling has a bound: once it has started, it ends the flow by itself.
  if (info.flow == Flow::upiQr && service_->issued() > 1 && host_->outcomes().empty()) {
    problem("status polling ended without an outcome");
  }

  // The shopper's way out: dismiss what is shown, press back, confirm.
  std::string how;
  if (host_->outcomes().empty() && screen) {
    auto* web = qobject_cast<CustomeCheckout*>(screen.data());
    const auto alerts = Alert::openAlerts().size();
    QSet<QString> texts;
    for (Alert* alert : Alert::openAlerts()) texts.insert(alert->title() + '\n' + alert->message());
    if (static_cast<qsizetype>(texts.size()) != alerts) {
      problem("the same alert is stacked " + std::to_string(alerts) + " times");
    }
    if (alerts > 0) how = alerts == 1 ? "alert, " : std::to_string(alerts) + " alerts, ";
    const bool message = web && web->pageFailureMessage() && web->pageFailureMessage()->isVisible();
    if (message) how = "message, ";
    if (web && !message && explanationFor(info.flow, faultInfo) == "did not load") {
      problem("the page did not load and no plain message took its place");
    }
    if (!leaveByBack(screen)) {
      problem("no outcome and no back button to leave the screen");
    } else {
      if (!waitForOutcomes(1)) problem("back did not end the flow");
      how += "back -> ";
    }
  }
  processEventsUntil([&] {
    return screen.isNull() && (!navigation || (navigation->viewControllers().size() == 1 &&
                                               !navigation->presentedViewController()));
  });
  settle();

  const auto outcomes = host_->outcomes();
  if (outcomes.size() != 1) problem(std::to_string(outcomes.size()) + " outcomes instead of one");
  if (!screen.isNull()) problem("the screen stayed after the outcome");
  if (!Alert::openAlerts().isEmpty()) problem("an alert stayed open after the outcome");
  if (service_->repeatedCompletions() != 0) problem("a platform call completed twice");
  const std::string explanation = explanationFor(info.flow, faultInfo);
  if (!explanation.empty() && !processEventsUntil([&] { return log.contains(explanation); }, 10s)) {
    problem("no log line says \"" + explanation + "...\"");
  }
  cell.text = how + "none";
  if (!outcomes.empty()) {
    const Dictionary& data = outcomes.front().data;
    cell.text = how + (outcomes.front().status ? "true" : "false") +
                (data.is_object() && data.contains("error") ? " {error}"
                 : data.empty()                             ? " {}"
                                                            : "");
  }
  TearDown();  // the next cell has a host of its own; this platform stops last
  SetUp();
  return cell;
}

void printTable(const std::map<std::pair<std::size_t, std::size_t>, Cell>& cells) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::printf("==== fault table: fault x flow -> outcome ====\n");
  std::printf("%-24s", "fault \\ flow");
  for (const auto& flow : allFlows()) std::printf(" | %-26s", flow.name);
  std::printf("\n");
  for (std::size_t f = 0; f < allFaults().size(); ++f) {
    std::printf("%-24s", allFaults()[f].name);
    for (std::size_t c = 0; c < allFlows().size(); ++c) {
      const Cell& cell = cells.at({f, c});
      std::printf(" | %-26s", ((cell.problems.empty() ? "" : "FAULT: ") + cell.text).c_str());
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
  std::map<std::pair<std::size_t, std::size_t>, Cell> cells;
  for (std::size_t c = 0; c < allFlows().size(); ++c) {
    for (std::size_t f = 0; f < allFaults().size(); ++f) {
      Cell cell = run(allFlows()[c], allFaults()[f]);
      for (const auto& what : cell.problems) {
        ADD_FAILURE() << allFlows()[c].name << " / " << allFaults()[f].name << ": " << what;
      }
      cells[{f, c}] = std::move(cell);
    }
  }
  printTable(cells);
}

}  // namespace
}  // namespace tarvel::test
