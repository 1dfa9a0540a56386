// The routing table: which screen each order opens, and how; the "non-vx" flow: one tracking
// request, no screen, its answer to the host.
#include <QProcess>

#include "EntryTestFixture.h"
#include "LogCapture.h"
#include "LoopbackServer.h"
#include "tarvel/UIFont.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {

// This process's staging API (EntryTestProcess): "GET /v2/rto/track" answers {"data":
// {"tracked": true, "moid": <moid>}, "message": "tracked"}, or a body that is not JSON when
// "moid" is "fail".
LoopbackServer& rtoServer();

namespace {

enum class Shown { none, push, modal };

struct Route {
  const char* name;
  Dictionary order;
  const char* screen;  // "upi", "otp", "web" or "" for none
  Shown shown;
};

class TarvelCheckoutRoutingTests : public EntryTestFixture,
                                   public ::testing::WithParamInterface<Route> {};

TEST_P(TarvelCheckoutRoutingTests, OpensTheScreenOfTheTableTheWayTheTableSays) {
  const Route& route = GetParam();
  Dictionary order = route.order;
  order["mid"] = "M-1";
  order["moid"] = "MO-1";
  showHostWindow();
  TarvelCheckout checkout(false, host_);
  LogCapture log;

  checkout.openCart(order);

  if (route.shown == Shown::none) {
    // An order the table ignores ends at once with a reason; "non-vx" ends with its answer.
    ASSERT_TRUE(waitForOutcomes());
    const bool tracking = order["order_type"] == "non-vx";
    EXPECT_EQ(host_->outcomes()[0].status, tracking);
    const std::string noType =
        "openCart: the order has no text \"order_type\"; no checkout started";
    EXPECT_EQ(host_->outcomes()[0].data.value("error", ""), tracking ? "" : noType);
    EXPECT_EQ(log.count(noType), tracking ? 0u : 1u);
    EXPECT_TRUE(factory_->screens.empty());
    EXPECT_EQ(windowNavigation(), nullptr) << "a flow without a screen leaves the window alone";
    return;
  }
  NavigationController* navigation = windowNavigation();
  ASSERT_NE(navigation, nullptr);
  ASSERT_EQ(factory_->screens.size(), 1u);
  RecordingScreen* screen = lastScreen();
  EXPECT_EQ(screen->kind, route.screen);
  EXPECT_EQ(screen->createData(), order) << "the screen gets the whole order unchanged";
  EXPECT_FALSE(screen->production);
  EXPECT_NE(screen->checkoutStatusDelegate(), nullptr);
  EXPECT_TRUE(navigation->isNavigationBarHidden());
  const bool modal = route.shown == Shown::modal;
  EXPECT_EQ(navigation->topViewController() == screen, !modal);
  EXPECT_EQ(navigation->presentedViewController(), modal ? screen : nullptr);
  EXPECT_TRUE(screen->isVisible());
}

// A QML shop has a QGuiApplication only: a flow with a screen (any: they share the check) ends
// once with a reason and a warning instead of aborting the process; the screenless RTO flow
// runs. The shop quiets the progress lines (QT_LOGGING_RULES) and keeps the warnings; answer
// dumps stay off.
TEST(TarvelCheckoutGuiHostTests, FlowsWithAScreenEndWithAnErrorWithoutAQApplication) {
#ifdef __SANITIZE_THREAD__
  GTEST_SKIP() << "ThreadSanitizer stops a child that QProcess forks from a threaded process; "
                  "the normal and AddressSanitizer builds run this";
#endif
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kGuiHostVariable, "1");
  environment.insert("QT_LOGGING_RULES", "tarvel.checkout.info=false");
  child.setProcessEnvironment(environment);
  child.start(QCoreApplication::applicationFilePath(), {});
  ASSERT_TRUE(child.waitForFinished(60000));
  const QString output = QString::fromUtf8(child.readAllStandardOutput());
  const QString errors = QString::fromUtf8(child.readAllStandardError());
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << errors.toStdString();
  EXPECT_EQ(child.exitCode(), 0);
  const QString reason =
      "openCart: the checkout's screens need a QApplication; no checkout started";
  const QString refused =
      "outcome 0 " + QString::fromStdString(Dictionary{{"error", reason.toStdString()}}.dump()) +
      "\n";
  EXPECT_TRUE(output.startsWith(refused)) << output.toStdString();
  EXPECT_TRUE(output.contains("outcome 1 {\"data\":{\"moid\":\"G-4\"")) << "RTO runs";
  EXPECT_EQ(errors.count(reason), 1) << errors.toStdString();
  EXPECT_FALSE(errors.contains("Inside success completion")) << "progress (info) is quieted";
  EXPECT_FALSE(errors.contains("+++RESPONSE+++")) << "answer dumps (debug) are off";
}

INSTANTIATE_TEST_SUITE_P(
    RoutingTable, TarvelCheckoutRoutingTests,
    ::testing::Values(
        Route{"NoOrderType", {{"upi_app", "customweb"}}, "", Shown::none},
        Route{"NonVx", {{"order_type", "non-vx"}, {"upi_app", "customweb"}}, "", Shown::none},
        Route{
            "UpiCustomWeb", {{"order_type", "upi"}, {"upi_app", "customweb"}}, "web", Shown::push},
        Route{"UpiEmptyApp", {{"order_type", "upi"}, {"upi_app", ""}}, "upi", Shown::push},
        Route{"CodEmptyApp", {{"order_type", "cod"}, {"upi_app", ""}}, "otp", Shown::modal},
        Route{"CodNamedApp", {{"order_type", "cod"}, {"upi_app", "paytm"}}, "otp", Shown::push},
        Route{"CodWithoutApp", {{"order_type", "cod"}}, "otp", Shown::push},
        Route{"UpperCaseUpi", {{"order_type", "UPI"}, {"upi_app", "paytm"}}, "otp", Shown::push}),
    [](const ::testing::TestParamInfo<Route>& info) { return std::string(info.param.name); });

using TarvelCheckoutRtoTests = EntryTestFixture;

TEST_F(TarvelCheckoutRtoTests, SendsTheIdentifiersAndReportsTheAnswerOnTheMainThread) {
  struct Case {
    Dictionary order;
    std::string requestId;
    std::string moid;
    bool status;
  };
  const std::vector<Case> cases = {
      {Dictionary::object(), "", "", true},  // missing identifiers are sent empty
      {{{"request_id", 991}, {"moid", "MO 1&x"}}, "991", "MO 1&x", true},
      {{{"request_id", "R-2"}, {"moid", "fail"}}, "R-2", "fail", false}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].order.dump());
    const std::size_t requestsBefore = rtoServer().requestCount();
    Dictionary order = cases[i].order;
    order["order_type"] = "non-vx";
    TarvelCheckout checkout(false, host_);
    checkout.openCart(order);

    ASSERT_TRUE(waitForOutcomes(i + 1));
    const auto outcome = host_->outcomes()[i];
    EXPECT_EQ(outcome.status, cases[i].status);
    EXPECT_EQ(outcome.thread, std::this_thread::get_id());
    if (cases[i].status) {
      EXPECT_EQ(outcome.data, (Dictionary{{"data", {{"tracked", true}, {"moid", cases[i].moid}}},
                                          {"message", "tracked"}}));
    } else {
      EXPECT_EQ(outcome.data, (Dictionary{{"error", "Data Not Found"}}));
    }

    const std::vector<RecordedRequest> requests = rtoServer().requests();
    ASSERT_EQ(requests.size(), requestsBefore + 1);
    EXPECT_EQ(requests.back().method + " " + requests.back().path, "GET /v2/rto/track");
    EXPECT_EQ(requests.back().params,
              (httplib::Params{{"request_id", cases[i].requestId}, {"moid", cases[i].moid}}));
  }
}

TEST_F(TarvelCheckoutRtoTests, OverlappingRequestsEachReportOnceAndOutliveTheEntryObject) {
  std::weak_ptr<RecordingHost> watchedHost = host_;
  std::weak_ptr<VerifyOTPViewModel> watchedModel;
  LogCapture log;
  TarvelCheckout::warmUp();  // twice: nothing for any delegate
  TarvelCheckout::warmUp();
  {
    TarvelCheckout checkout(false, host_);
    watchedModel = checkout.viewModel();
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "A"}});
    checkout.openCart({{"order_type", "non-vx"}, {"moid", "fail"}});
  }
  auto host = std::move(host_);
  ASSERT_TRUE(processEventsUntil(
      [&] { return host->outcomes().size() >= 2 && log.contains("Warm-up: connected to"); }));
  // The warm-up's font registration must end before the process does (it crashes otherwise).
  ASSERT_TRUE(processEventsUntil([] { return UIFont::registeredFaces().size() == 7; }));
  settle();
  const auto outcomes = host->outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_NE(outcomes[0].status, outcomes[1].status);
  host.reset();
  settle();
  EXPECT_TRUE(watchedHost.expired()) << "nothing holds the flow once its answer is delivered";
  EXPECT_TRUE(watchedModel.expired());
}

}  // namespace
}  // namespace tarvel::test
