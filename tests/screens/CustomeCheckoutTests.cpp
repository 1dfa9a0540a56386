#include <chrono>  // milliseconds
#include <memory>  // make_shared, unique_ptr
#include <string>  // string
#include <vector>  // vector

#include <QDesktopServices>           // QDesktopServices
#include <QPointer>                   // QPointer
#include <QSignalSpy>                 // QSignalSpy
#include <QTest>                      // QTest
#include <QWebEngineDownloadRequest>  // QWebEngineDownloadRequest
#include <QWebEnginePage>             // QWebEnginePage
#include <QWebEngineProfile>          // QWebEngineProfile
#include <QWebEngineView>             // QWebEngineView

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"  // from the test support library
#include "LogCapture.h"
#include "QtWait.h"
#include "TemporaryDirectory.h"
#include "WebCheckoutTestPage.h"
#include "platform/Application.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/NavigationController.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel {
namespace {

// WebEngine starts its renderer on first use; every wait is bounded, and runs the event loop
// without the pauses of QTest::qWaitFor, which hold up the engine's work on the GUI thread.
constexpr int kWaitMs = 20000;
constexpr std::chrono::milliseconds kWait(kWaitMs);
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

std::string encoded(const std::string& text) {
  return QUrl::toPercentEncoding(QString::fromStdString(text)).toStdString();
}

// The desktop's own launcher, where the engine sends a link to an unknown scheme that the page
// lets through: it records instead of launching.
class DesktopLauncher : public QObject {
  Q_OBJECT

 public:
  explicit DesktopLauncher(QStringList schemes) : schemes_(std::move(schemes)) {
    for (const QString& scheme : schemes_) QDesktopServices::setUrlHandler(scheme, this, "open");
  }
  ~DesktopLauncher() override {
    for (const QString& scheme : schemes_) QDesktopServices::unsetUrlHandler(scheme);
  }
  QStringList opened;

 public slots:
  void open(const QUrl& url) { opened << url.toString(); }

 private:
  QStringList schemes_;
};

std::vector<test::RecordedRequest> pageRequests() {
  std::vector<test::RecordedRequest> pages;
  for (auto& request : test::checkoutPageServer().requests()) {
    if (request.path == "/custom.html") pages.push_back(request);
  }
  return pages;
}

// The web checkout with its message handler in reach, for messages no page can send.
class Screen : public CustomeCheckout {
 public:
  using CustomeCheckout::CustomeCheckout;
  using CustomeCheckout::userContentControllerDidReceive;
};

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
    detail::Application::setUrlSchemeRegistry(nullptr);
    navigation_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void push(const Dictionary& order) {
    screen_ = new Screen(order, false);
    screen_->setCheckoutStatusDelegate(delegate_);
    navigation_->setNavigationBarHidden(true);
    navigation_->pushViewController(screen_, true);
  }

  bool waitForReport() {
    return test::processEventsUntil([this] { return !delegate_->reports.empty(); }, kWait);
  }

  test::LogCapture log_;
  ViewController* root_ = nullptr;
  std::unique_ptr<NavigationController> navigation_;
  std::shared_ptr<RecordingDelegate> delegate_;
  QPointer<Screen> screen_;
};

// Each row an order as the host gives it and what the page does with it. onSuccess reports while
// the screen is still on top and then pops it; onFailure pops first. A body that is no object is
// reported as {}; the secret in a body never reaches the log. The page reads the order's values
// as they were (encoded in a fixed order). An order with a value of the page address that is not
// text reports a failure naming the key and loads nothing. A message nested far
// deeper than any answer, or larger than any (no page sends those: they go straight to the
// screen's handler), is reported as {} and logged as cut, without a crash.
// First the engine is warmed up, as a host does before the shopper pays: each caller hears
// `ready` once (one that comes while the engine starts, one that comes later at once), the
// engine is started once, and the first checkout afterwards goes as usual.
TEST_F(CustomeCheckoutFlowTests, PageAnswerIsReportedOnceInItsOrderWithThePop) {
  int first = 0, duringStart = 0, afterwards = 0;
  TarvelCheckout::warmUpWebCheckout([&] { ++first; });
  TarvelCheckout::warmUpWebCheckout([&] { ++duringStart; });
  ASSERT_TRUE(test::processEventsUntil([&] { return first > 0 && duringStart > 0; }, kWait));
  TarvelCheckout::warmUpWebCheckout([&] { ++afterwards; });
  EXPECT_EQ(afterwards, 1);
  EXPECT_EQ(log_.count("Web checkout: starting the web engine ahead of the first checkout"), 1u);

  struct Case {
    const char* name;
    Dictionary order;
    bool status, onTopWhenReported;
    Dictionary data;     // an object without "error", or the key the error names
    const char* query;   // the page's; null: no page loaded, "": not checked
    const char* logged;  // a fragment of the log, or null
    QString body = {};   // sent straight to the screen's onSuccess handler unless null
  };
  Dictionary special = orderFor("echo"), numeric = orderFor("echo");
  special["moid"] = "m 1&x=2";
  special["tarvel_oid"] = "g7#f ü";  // unencoded, "#" would cut the address short
  numeric["tarvel_oid"] = 42;
  const Dictionary declined = {
      {"status", "failed"}, {"reason", "declined"}, {"auth_token", "tok-secret-123"}};
  const Dictionary none = Dictionary::object();
  const Case cases[] = {
      {"echo", special, true, true,
       Dictionary{{"status", "PAID"}, {"moid", "m 1&x=2"}, {"tarvel_oid", "g7#f ü"}},
       "order_type=cod&mid=m1&moid=m%201%26x%3D2&environment=sandbox&request_id=echo"
       "&tarvel_oid=g7%23f%20%C3%BC",
       "ScriptMessage(name: onSuccess, body: {"},
      {"failure", orderFor("failure"), false, false, declined, "", "ScriptMessage(name: onFailure"},
      {"text-body", orderFor("text-body"), true, true, none, "",
       R"(ScriptMessage(name: onSuccess, body: "done"))"},
      // onFailure, then at once onSuccess: the second is dropped, or never heard when the
      // finished screen (and its page) went first.
      {"twice",
       orderFor("twice"),
       false,
       false,
       {{"first", true}},
       "",
       "ScriptMessage(name: onFailure"},
      {"numeric tarvel_oid", numeric, false, false, "tarvel_oid", nullptr, nullptr},
      {"deep", orderFor("wait"), true, true, none, "", "<cut: nested too deeply",
       QString("[").repeated(30000) + QString("]").repeated(30000)},
      {"large", orderFor("wait"), true, true, none, "", "<cut: larger than allowed",
       "{\"pad\":\"" + QString("x").repeated(200000) + "\"}"}};
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.name);
    delegate_->reports.clear();
    log_.clear();
    const std::size_t pages = pageRequests().size();
    push(expected.order);
    if (!expected.body.isNull()) {  // once the page is on its way, as a page's message would be
      ASSERT_TRUE(test::processEventsUntil([&] { return pageRequests().size() > pages; }, kWait));
      screen_->userContentControllerDidReceive("onSuccess", expected.body);
    }
    ASSERT_TRUE(waitForReport()) << log_.text();
    ASSERT_TRUE(test::processEventsUntil(
        [this] { return log_.contains("dropped") || screen_.isNull(); }, kWait));
    QTest::qWait(kSettleMs);

    ASSERT_EQ(delegate_->reports.size(), 1u);
    const Report& report = delegate_->reports[0];
    EXPECT_EQ(report.status, expected.status);
    if (expected.data.is_string()) {
      ASSERT_TRUE(report.data.contains("error"));
      EXPECT_NE(report.data["error"].get<std::string>().find(expected.data), std::string::npos);
    } else {
      EXPECT_EQ(report.data, expected.data);
      EXPECT_EQ(report.screenOnTopWhenReported, expected.onTopWhenReported);
    }
    EXPECT_EQ(navigation_->topViewController(), root_);
    EXPECT_EQ(pageRequests().size(), pages + (expected.query ? 1 : 0));
    const std::string query = expected.query ? expected.query : "";
    EXPECT_EQ(query.empty() ? query : pageRequests().back().query, query);
    EXPECT_TRUE(!expected.logged || log_.contains(expected.logged)) << log_.text();
    EXPECT_EQ(log_.text().find("tok-secret-123"), std::string::npos);
    EXPECT_LT(log_.text().size(), 16u * 1024u);
  }
  EXPECT_EQ(first, 1);
  EXPECT_EQ(duringStart, 1);
}

std::string origin(const test::LoopbackServer& server) {
  return server.baseUrl().substr(0, server.baseUrl().size() - 1);
}

// Hostile pages, placed as an attacker would. The hosted page may go anywhere on the web, but
// only its own top-level document ends the flow or opens a UPI app: a page of another origin
// that the checkout page went to, by redirect, claims the payment in vain (by script:
// the entry's web module test); a frame of any origin gets no bridge. A UPI link reaches the app
// launcher only from the checkout page itself; other origins' app links (by redirect) and
// schemes that are no app's are refused. Popups and downloads never happen. Whatever a row
// tries, the flow stays open, nothing reaches the desktop's own launcher, and the back button
// then ends the flow once.
TEST_F(CustomeCheckoutFlowTests, OnlyTheCheckoutPagesOwnDocumentEndsTheFlowOrOpensAnApp) {
  test::LoopbackServer& checkout = test::checkoutPageServer();
  test::LoopbackServer& foreign = test::foreignPageServer();
  const std::string hostile = foreign.baseUrl() + "custom.html?request_id=claim";
  DesktopLauncher desktop({"phonepe", "intent"});
  // A host whose own pages share the default profile and take their downloads.
  test::TemporaryDirectory downloads;
  QPointer<QWebEngineDownloadRequest> download;
  QObject host;
  QObject::connect(QWebEngineProfile::defaultProfile(), &QWebEngineProfile::downloadRequested,
                   &host, [&](QWebEngineDownloadRequest* request) {
                     request->setDownloadDirectory(QString::fromStdString(downloads.path()));
                     request->accept();
                     download = request;
                   });

  // What the page tries (as its request_id), and the event that shows it tried.
  enum class Until { logged, reported, launched, downloadEnded };
  struct Attack {
    std::string requestId;
    Until until;
    std::string marker;                          // the log line's fragment, or what is reported
    test::LoopbackServer* tapOn = nullptr;       // the server of the page whose link is tapped
    test::LoopbackServer* reportFrom = nullptr;  // the server the page reports to
    std::vector<std::string> launched = {};      // the links the app launcher is to receive
  };
  const std::string dropped = "message \"onSuccess\" from " + origin(foreign) + " dropped";
  const std::string shopLink = "phonepe://upi/pay?pa=shop@upi&am=499.00";
  const std::string attackerLink = "phonepe://upi/pay?pa=attacker@upi&am=499.00";
  auto refused = [](const std::string& scheme, const std::string& from) {
    return "refused to open a \"" + scheme + ":\" link from " + from + ": ";
  };
  const Attack attacks[] = {
      {"go:" + checkout.baseUrl() + "bounce?to=" + encoded(hostile), Until::logged, dropped},
      {"frame:" + checkout.baseUrl() + "custom.html?request_id=claim", Until::reported, "no-bridge",
       nullptr, &checkout},
      {"frame:" + hostile, Until::reported, "no-bridge", nullptr, &foreign},
      {"link:" + foreign.baseUrl() + "bounce?to=" + encoded(attackerLink), Until::logged,
       refused("phonepe", origin(foreign)), &checkout},
      {"link:intent://pay#Intent;scheme=upi;end", Until::logged,
       refused("intent", origin(checkout)), &checkout},
      {"open:" + hostile, Until::logged, "asked for a new window; none opens"},
      {"go:" + checkout.baseUrl() + "download", Until::downloadEnded, {}},
      {"link:" + shopLink, Until::launched, {}, &checkout, nullptr, {shopLink}}};
  for (const Attack& attack : attacks) {
    SCOPED_TRACE(attack.requestId);
    auto apps = std::make_shared<test::InstalledSchemesRegistry>(
        std::set<std::string>{"phonepe", "intent"});
    detail::Application::setUrlSchemeRegistry(apps);
    delegate_->reports.clear();
    log_.clear();
    const std::size_t ready = attack.tapOn ? test::reportCount(*attack.tapOn, "ready") : 0;
    const std::size_t reported =
        attack.reportFrom ? test::reportCount(*attack.reportFrom, attack.marker) : 0;
    push(orderFor(attack.requestId));
    if (attack.tapOn) {
      ASSERT_TRUE(test::processEventsUntil(
          [&] { return test::reportCount(*attack.tapOn, "ready") > ready; }, kWait));
      QTest::mouseClick(screen_->webView()->focusProxy(), Qt::LeftButton, {}, QPoint(40, 40));
    }
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
          switch (attack.until) {
            case Until::logged:
              return log_.contains(attack.marker);
            case Until::reported:
              return test::reportCount(*attack.reportFrom, attack.marker) > reported;
            case Until::launched:
              return !apps->openedUrls().empty();
            case Until::downloadEnded:
              return download && download->isFinished();
          }
          return false;
        },
        kWait))
        << log_.text();
    QTest::qWait(kSettleMs);

    EXPECT_TRUE(delegate_->reports.empty()) << delegate_->reports[0].data.dump();
    EXPECT_EQ(apps->openedUrls(), attack.launched);
    EXPECT_TRUE(desktop.opened.isEmpty()) << desktop.opened.join(' ').toStdString();
    if (attack.until == Until::downloadEnded) {
      EXPECT_EQ(download->state(), QWebEngineDownloadRequest::DownloadCancelled);
    }
    QTest::mouseClick(screen_->backButton(), Qt::LeftButton);
    ASSERT_EQ(delegate_->reports.size(), 1u);
    EXPECT_FALSE(delegate_->reports[0].status);
    EXPECT_EQ(delegate_->reports[0].data, Dictionary::object());
    EXPECT_FALSE(delegate_->reports[0].screenOnTopWhenReported);
    EXPECT_EQ(navigation_->topViewController(), root_);
  }
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
  ASSERT_TRUE(test::processEventsUntil([this] { return screen_.isNull(); }, kWait));

  ASSERT_EQ(delegate_->reports.size(), 1u);
  EXPECT_TRUE(delegate_->reports[0].status);
  EXPECT_EQ(delegate_->reports[0].data, Dictionary({{"paid", true}}));
  EXPECT_EQ(navigation_->viewControllers(), QList<ViewController*>({root_, above}));
  navigation_->popViewController(true);
  EXPECT_EQ(navigation_->topViewController(), root_);
}

}  // namespace
}  // namespace tarvel

#include "CustomeCheckoutTests.moc"
