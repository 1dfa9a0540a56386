#include <memory>  // make_shared, unique_ptr
#include <string>  // string
#include <vector>  // vector

#include <QPointer>        // QPointer
#include <QSignalSpy>      // QSignalSpy
#include <QTest>           // QTest
#include <QWebEnginePage>  // QWebEnginePage
#include <QWebEngineView>  // QWebEngineView

#include <gtest/gtest.h>

#include "LogCapture.h"  // from the test support library
#include "WebCheckoutTestPage.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/NavigationController.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

// WebEngine starts its renderer on first use; every wait is bounded.
constexpr int kWaitMs = 20000;
constexpr int kSettleMs = 300;

struct Report {
  bool status;
  Dictionary data;
  bool screenOnTopWhenReported;
};

class RecordingDelegate : public CheckoutStatusDelegate {
 public:
  void checkOutCompleted(bool status, const Dictionary& data) override {
    reports.push_back({status, data, screenOnTop && screenOnTop()});
  }
  std::function<bool()> screenOnTop;
  std::vector<Report> reports;
};

Dictionary orderFor(const std::string& scenario) {
  return {{"order_type", "cod"},    {"mid", "m1"},        {"moid", "42"},
          {"request_id", scenario}, {"tarvel_oid", "g7"}, {"upi_app", "customweb"}};
}

std::vector<test::RecordedRequest> pageRequests() {
  std::vector<test::RecordedRequest> pages;
  for (auto& request : test::checkoutPageServer().requests()) {
    if (request.path == "/custom.html") pages.push_back(request);
  }
  return pages;
}

// The component as the entry object runs it: a navigation controller on screen, the web
// checkout pushed onto it with a delegate.
class CustomeCheckoutFlowTests : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = new ViewController;
    navigation_ = std::make_unique<NavigationController>(root_);
    navigation_->resize(375, 667);
    navigation_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(navigation_.get()));
    delegate_ = std::make_shared<RecordingDelegate>();
    delegate_->screenOnTop = [this] {
      return screen_ && navigation_->topViewController() == screen_;
    };
  }

  void TearDown() override {
    navigation_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void push(const Dictionary& order) {
    screen_ = new CustomeCheckout(order, false);
    screen_->setCheckoutStatusDelegate(delegate_);
    navigation_->setNavigationBarHidden(true);
    navigation_->pushViewController(screen_, true);
  }

  bool waitForReport() {
    return QTest::qWaitFor([this] { return !delegate_->reports.empty(); }, kWaitMs);
  }

  test::LogCapture log_;
  ViewController* root_ = nullptr;
  std::unique_ptr<NavigationController> navigation_;
  std::shared_ptr<RecordingDelegate> delegate_;
  QPointer<CustomeCheckout> screen_;
};

// onSuccess reports while the screen is still on top and then pops it; onFailure pops first.
// A body that is no object is reported as {}; the secret in a body never reaches the log.
TEST_F(CustomeCheckoutFlowTests, PageAnswerIsReportedOnceInItsOrderWithThePop) {
  struct Case {
    const char* scenario;
    bool status, onTopWhenReported;
    Dictionary data;
    std::string received;
    const char* reportLine;
  };
  const Case cases[] = {
      {"success",
       true,
       true,
       {{"status", "ok"}},
       R"(onSuccess, body: {"status":"ok"}))",
       R"([{"status":"ok"}])"},
      {"failure",
       false,
       false,
       {{"status", "failed"}, {"reason", "declined"}, {"auth_token", "tok-secret-123"}},
       "onFailure",
       nullptr},
      {"text-body", true, true, Dictionary::object(), R"(onSuccess, body: "done"))", "[{}]"}};
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.scenario);
    delegate_->reports.clear();
    log_.clear();
    push(orderFor(expected.scenario));
    ASSERT_TRUE(waitForReport()) << log_.text();
    QTest::qWait(kSettleMs);

    ASSERT_EQ(delegate_->reports.size(), 1u);
    EXPECT_EQ(delegate_->reports[0].status, expected.status);
    EXPECT_EQ(delegate_->reports[0].data, expected.data);
    EXPECT_EQ(delegate_->reports[0].screenOnTopWhenReported, expected.onTopWhenReported);
    EXPECT_EQ(navigation_->topViewController(), root_);
    EXPECT_TRUE(
        log_.contains("Received message from native: ScriptMessage(name: " + expected.received))
        << log_.text();
    if (expected.reportLine) {
      EXPECT_EQ(log_.count(expected.reportLine), 1u);
    }
    EXPECT_EQ(log_.text().find("tok-secret-123"), std::string::npos);
  }
}

// Warming the engine up before the shopper pays: each caller hears `ready` once (one that comes
// while the engine starts, one that comes later at once), the engine is started once, and the
// first web checkout afterwards loads its page and reports as usual.
TEST_F(CustomeCheckoutFlowTests, WarmedUpEngineStartsOnceAndServesTheFirstCheckout) {
  int first = 0, duringStart = 0, afterwards = 0;
  TarvelCheckout::warmUpWebCheckout([&] { ++first; });
  TarvelCheckout::warmUpWebCheckout([&] { ++duringStart; });
  ASSERT_TRUE(QTest::qWaitFor([&] { return first > 0 && duringStart > 0; }, kWaitMs));
  TarvelCheckout::warmUpWebCheckout([&] { ++afterwards; });
  EXPECT_EQ(afterwards, 1);

  push(orderFor("success"));
  ASSERT_TRUE(waitForReport()) << log_.text();
  EXPECT_TRUE(delegate_->reports[0].status);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(duringStart, 1);
  EXPECT_EQ(log_.count("Web checkout: starting the web engine ahead of the first checkout"), 1u);
}

TEST_F(CustomeCheckoutFlowTests, SecondMessageInTheSameBreathIsDropped) {
  push(orderFor("twice"));
  ASSERT_TRUE(waitForReport()) << log_.text();
  ASSERT_TRUE(QTest::qWaitFor([this] { return log_.contains("dropped"); }, kWaitMs));
  QTest::qWait(kSettleMs);

  ASSERT_EQ(delegate_->reports.size(), 1u);
  EXPECT_FALSE(delegate_->reports[0].status);
  EXPECT_EQ(delegate_->reports[0].data, Dictionary({{"first", true}}));
  EXPECT_EQ(navigation_->topViewController(), root_);
}

TEST_F(CustomeCheckoutFlowTests, PageAddressCarriesEncodedValuesAsTheServerSeesThem) {
  const std::size_t before = pageRequests().size();
  Dictionary order = orderFor("wait");
  order["mid"] = "m 1&x=2";
  order["tarvel_oid"] = "g7 ü";
  push(order);
  ASSERT_TRUE(QTest::qWaitFor([&] { return pageRequests().size() > before; }, kWaitMs));

  const test::RecordedRequest request = pageRequests().back();
  EXPECT_EQ(request.query,
            "order_type=cod&mid=m%201%26x%3D2&moid=42&environment=sandbox&request_id=wait"
            "&tarvel_oid=g7%20%C3%BC");
  EXPECT_EQ(request.params.find("mid")->second, "m 1&x=2");
  EXPECT_EQ(request.params.count("x"), 0u);
  EXPECT_EQ(request.params.find("environment")->second, "sandbox");
  ASSERT_NE(screen_->webView(), nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !screen_->webView()->url().isEmpty(); }, kWaitMs));
  EXPECT_EQ(screen_->webView()->url().toEncoded().toStdString(),
            test::checkoutPageServer().baseUrl() + "custom.html?" + request.query);
  EXPECT_TRUE(delegate_->reports.empty());
}

TEST_F(CustomeCheckoutFlowTests, OrderWithoutATextValueReportsFailureAndLoadsNothing) {
  const std::size_t before = pageRequests().size();
  Dictionary order = orderFor("success");
  order["moid"] = 42;
  push(order);
  ASSERT_TRUE(waitForReport());
  QTest::qWait(kSettleMs);

  ASSERT_EQ(delegate_->reports.size(), 1u);
  EXPECT_FALSE(delegate_->reports[0].status);
  ASSERT_TRUE(delegate_->reports[0].data.contains("error"));
  EXPECT_NE(delegate_->reports[0].data["error"].get<std::string>().find("moid"), std::string::npos);
  EXPECT_EQ(navigation_->topViewController(), root_);
  EXPECT_EQ(pageRequests().size(), before);
}

TEST_F(CustomeCheckoutFlowTests, BackButtonPopsThenReportsFailureWithAnEmptyDictionary) {
  push(orderFor("wait"));
  QTest::mouseClick(screen_->backButton(), Qt::LeftButton);

  ASSERT_EQ(delegate_->reports.size(), 1u);
  EXPECT_FALSE(delegate_->reports[0].status);
  EXPECT_EQ(delegate_->reports[0].data, Dictionary::object());
  EXPECT_FALSE(delegate_->reports[0].screenOnTopWhenReported);
  EXPECT_EQ(navigation_->topViewController(), root_);
}

// A page's answer that arrives while another screen covers the web checkout ends the flow and
// takes the web checkout out from under that screen: going back never reveals a dead page.
TEST_F(CustomeCheckoutFlowTests, AnswerBelowAnotherScreenTakesTheCheckoutOffTheStack) {
  push(orderFor("wait"));
  ASSERT_NE(screen_->webView(), nullptr);
  QSignalSpy loaded(screen_->webView(), &QWebEngineView::loadFinished);
  ASSERT_TRUE(loaded.wait(kWaitMs));
  QWebEnginePage* page = screen_->webView()->page();
  auto* above = new ViewController;
  navigation_->pushViewController(above, true);

  page->runJavaScript("window.webkit.messageHandlers.onSuccess.postMessage({paid: true});");
  ASSERT_TRUE(waitForReport()) << log_.text();
  ASSERT_TRUE(QTest::qWaitFor([this] { return screen_.isNull(); }, kWaitMs));

  ASSERT_EQ(delegate_->reports.size(), 1u);
  EXPECT_TRUE(delegate_->reports[0].status);
  EXPECT_EQ(delegate_->reports[0].data, Dictionary({{"paid", true}}));
  EXPECT_EQ(navigation_->viewControllers(), QList<ViewController*>({root_, above}));
  navigation_->popViewController(true);
  EXPECT_EQ(navigation_->topViewController(), root_);
}

// The page is outside the component: a message nested far deeper than any answer, or larger
// than any, is reported as an empty dictionary and logged as cut, without a crash.
TEST_F(CustomeCheckoutFlowTests, OversizedOrDeeplyNestedMessageIsCutToAnEmptyBody) {
  class Screen : public CustomeCheckout {
   public:
    using CustomeCheckout::CustomeCheckout;
    using CustomeCheckout::userContentControllerDidReceive;
  };
  struct Case {
    const char* name;
    QString body;
    const char* reason;
  };
  const Case cases[] = {
      {"deep", QString("[").repeated(30000) + QString("]").repeated(30000), "nested too deeply"},
      {"deep and large", QString("[").repeated(60000) + QString("]").repeated(60000),
       "larger than allowed"},
      {"large", "{\"pad\":\"" + QString("x").repeated(200000) + "\"}", "larger than allowed"},
  };
  for (const Case& sent : cases) {
    SCOPED_TRACE(sent.name);
    log_.clear();
    auto delegate = std::make_shared<RecordingDelegate>();
    Screen screen(orderFor("wait"), false);
    screen.setCheckoutStatusDelegate(delegate);
    screen.userContentControllerDidReceive("onSuccess", sent.body);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate->reports.empty(); }, kWaitMs));

    EXPECT_TRUE(delegate->reports[0].status);
    EXPECT_EQ(delegate->reports[0].data, Dictionary::object());
    EXPECT_TRUE(log_.contains(std::string("<cut: ") + sent.reason)) << log_.text();
    EXPECT_LT(log_.text().size(), 16u * 1024u);
  }
}

// Outside a navigation stack nothing takes the screen away, so the page is still there to
// post after the shopper pressed back.
TEST(CustomeCheckoutTests, MessageAfterTheBackButtonIsDroppedAndLogged) {
  test::LogCapture log;
  auto delegate = std::make_shared<RecordingDelegate>();
  CustomeCheckout screen(orderFor("wait"), false);
  screen.setCheckoutStatusDelegate(delegate);
  screen.resize(375, 667);
  screen.show();
  ASSERT_NE(screen.webView(), nullptr);
  QSignalSpy loaded(screen.webView(), &QWebEngineView::loadFinished);
  ASSERT_TRUE(loaded.wait(kWaitMs));
  ASSERT_TRUE(loaded.first().first().toBool());

  QTest::mouseClick(screen.backButton(), Qt::LeftButton);
  ASSERT_EQ(delegate->reports.size(), 1u);
  screen.webView()->page()->runJavaScript(
      "window.webkit.messageHandlers.onSuccess.postMessage({late: true});");
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return log.contains("message \"onSuccess\" dropped"); }, kWaitMs))
      << log.text();
  QTest::mouseClick(screen.backButton(), Qt::LeftButton);
  QTest::qWait(kSettleMs);

  ASSERT_EQ(delegate->reports.size(), 1u);
  EXPECT_FALSE(delegate->reports[0].status);
  EXPECT_EQ(delegate->reports[0].data, Dictionary::object());
  EXPECT_TRUE(log.contains("the back button dropped"));
}

}  // namespace
}  // namespace tarvel
