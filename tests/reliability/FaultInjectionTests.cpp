// Every fault the platform can throw at every flow, end to end: the host's openCart, the real
// screens (offscreen), the real service and loader against the sandbox platform, which spoils
// one endpoint per flow by the order's fault scenario, or is refused, stopped, slow or
// untrusted. Each flow must end with exactly one outcome, or stay on a screen whose back button
// ends it with exactly one outcome; the log must say what went wrong. The suite prints the table
// fault x flow -> what the shopper and the host saw.
#include <cstdio>  // printf, fflush
#include <map>     // map

#include <QSet>
#include <QWebEngineView>

#include "FlowDriving.h"
#include "LogCapture.h"

namespace tarvel::test {
namespace {

using detail::Alert;

// How the platform fails: by a fault scenario of the sandbox's, or in its transport.
enum class Transport { none, down, refused, slow, untrusted };

// A fault, its name in the printed table, the start of the log line that explains it on an
// API call and on the hosted checkout page (empty where the answer itself is usable).
struct FaultInfo {
  const char* name;
  const char* scenario;  // the sandbox's fault scenario, aimed at the flow's endpoint
  Transport transport;
  const char* apiExplanation;
  const char* pageExplanation;
};

const std::vector<FaultInfo> kFaults = {
    {"server down mid-flow", "", Transport::down, "No answer from ", "did not load"},
    {"connection refused", "", Transport::refused, "No answer from ", "did not load"},
    {"reset mid-answer", "drop", Transport::none, "No answer from ", "did not load"},
    {"slower than time-out", "slow", Transport::slow, "No answer from ", ""},
    {"500, valid body", "server-error", Transport::none, "", ""},
    {"500, text body", "server-error-text", Transport::none, "Answer from ",
     "answered with HTTP status 500"},
    {"not JSON", "not-json", Transport::none, "Answer from ", ""},
    {"JSON not an object", "not-object", Transport::none, "Answer from ", ""},
    {"object without data", "no-data", Transport::none, "Answer from ", ""},
    {"gigantic body", "gigantic", Transport::none, "No answer from ", ""},
    {"not UTF-8", "not-utf8", Transport::none, "Answer from ", ""},
    {"every field ill-typed", "ill-typed", Transport::none, "", ""},
    {"untrusted certificate", "", Transport::untrusted, "No answer from ", "did not load"}};

// The flows of the table: the OTP sheet differs from the pushed OTP screen in presentation only.
std::vector<FlowInfo> tableFlows() {
  std::vector<FlowInfo> flows;
  for (const auto& flow : allFlows()) {
    if (flow.flow != Flow::codOtpSheet) flows.push_back(flow);
  }
  return flows;
}

// What one flow did under one fault.
struct Cell {
  std::string text;  // for the table
  std::vector<std::string> problems;
};

// The log line that explains a fault on a flow; empty where the answer itself is usable.
std::string explanationFor(Flow flow, const FaultInfo& fault) {
  if (flow == Flow::web) return fault.pageExplanation;
  // The OTP check takes any object; the screen then shows why it refused the answer.
  if (std::string(fault.scenario) == "no-data" && flow == Flow::codOtp) return "+++RESPONSE+++";
  return fault.apiExplanation;
}

class FaultInjectionTests : public FlowTest {
 protected:
  Cell run(const FlowInfo& info, const FaultInfo& faultInfo, const std::string& moid);
};

Cell FaultInjectionTests::run(const FlowInfo& info, const FaultInfo& faultInfo,
                              const std::string& moid) {
  const Transport transport = faultInfo.transport;
  Cell cell;
  auto problem = [&](const std::string& what) { cell.problems.push_back(what); };
  if (!startPlatform(transport == Transport::untrusted)) {
    problem("the sandbox did not start");
    return cell;
  }
  // A slow answer costs the client's whole time-out, at every status poll: short there.
  startHost(
      platformOrigin(), transport == Transport::slow ? kSlowClientTimeout : kClientTimeout,
      info.flow == Flow::upiTiles ? std::set<std::string>{"phonepe"} : std::set<std::string>{});
  LogCapture log;
  const bool otp = info.flow == Flow::codOtp;
  // Refused: nothing listens on the platform's port (which the process holds) from the start.
  if (transport == Transport::refused ||
      (transport == Transport::down && info.flow != Flow::upiQr && !otp)) {
    platform_->stop();
  }

  checkout_->openCart(orderFor(info.flow, moid));
  QPointer<NavigationController> navigation = windowNavigation();
  QPointer<CheckoutScreen> screen =
      navigation ? qobject_cast<CheckoutScreen*>(navigation->topViewController()) : nullptr;
  if (info.flow != Flow::rto && !screen) problem("no screen was shown");
  if (info.flow != Flow::web && !rest()) problem("platform calls never completed");
  if (transport == Transport::down && (info.flow == Flow::upiQr || otp)) platform_->stop();

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
    typeOtpAndSubmit(screen, platform_->lastOtp(moid, orderFor(info.flow)["phone"]).value_or("0"));
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
          // A page that posts a spoiled result is waited for until it has.
          const std::string posting = "not-json not-object no-data ill-typed";
          const bool posts =
              *faultInfo.scenario && posting.find(faultInfo.scenario) != posting.npos;
          return !host_->outcomes().empty() ||
                 (!posts && (*pageFinished || (screen && web->pageFailureMessage())));
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
  TearDown();  // the next cell has a host and a platform of its own
  SetUp();
  return cell;
}

void printTable(const std::map<std::pair<std::size_t, std::size_t>, Cell>& cells) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::printf("==== fault table: fault x flow -> outcome ====\n");
  std::printf("%-24s", "fault \\ flow");
  for (const auto& flow : tableFlows()) std::printf(" | %-26s", flow.name);
  std::printf("\n");
  for (std::size_t f = 0; f < kFaults.size(); ++f) {
    std::printf("%-24s", kFaults[f].name);
    for (std::size_t c = 0; c < tableFlows().size(); ++c) {
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
  const auto flows = tableFlows();
  for (std::size_t c = 0; c < flows.size(); ++c) {
    for (std::size_t f = 0; f < kFaults.size(); ++f) {
      // The moid names the fault scenario, aimed at the flow's endpoint: "gigantic-web-c4".
      const std::string scenario = kFaults[f].scenario;
      const std::string moid =
          (scenario.empty() ? "order" : scenario + "-" + flows[c].sandboxEndpoint) + "-c" +
          std::to_string(c) + "f" + std::to_string(f);
      Cell cell = run(flows[c], kFaults[f], moid);
      for (const auto& what : cell.problems) {
        ADD_FAILURE() << flows[c].name << " / " << kFaults[f].name << ": " << what;
      }
      cells[{f, c}] = std::move(cell);
    }
  }
  printTable(cells);
}

}  // namespace
}  // namespace tarvel::test
