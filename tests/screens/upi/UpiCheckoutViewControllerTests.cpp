// The UPI payment screen on real widgets (offscreen), with the manual clock, an injected
// registry of installed apps and a fake service answering exactly when the test says.
#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QScrollArea>
#include <QTextDocumentFragment>

#include "QrCodeImage.h"
#include "UpiScreenTestSupport.h"
#include "platform/ActivityIndicator.h"
#include "screens/upi/QrCodeDecoding.h"
#include "screens/upi/UpiDeepLink.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/TarvelChekoutViewModel.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::Alert;
using detail::Application;
using test::InstalledSchemesRegistry;
using test::settle;
using test::verifyAnswer;

std::vector<std::string> tileTitles(const UpiCheckoutViewController& screen) {
  std::vector<std::string> titles;
  for (PaymentOptionView* tile : screen.paymentOptionViews()) {
    titles.push_back(tile->buttonUPIOption()->text().toStdString());
  }
  return titles;
}

Dictionary withKey(Dictionary answer, const std::string& key, const Dictionary& value) {
  if (value.is_null()) {
    answer.erase(key);
  } else {
    answer[key] = value;
  }
  return answer;
}

std::string realQrCode() {
  return *sandbox::QrCodeImage::dataUrl("upi://pay?pa=shop%40upi&am=499.00&tr=tvl_7f3a");
}

using UpiCheckoutViewControllerTests = test::UpiScreenTest;

TEST_F(UpiCheckoutViewControllerTests, AVerifyAnswerLeadsToTilesDirectLaunchOrTheQrCode) {
  struct Case {
    const char* name;
    Dictionary order;
    std::set<std::string> installed;
    bool tiles, qr;
    std::vector<std::string> opened;
  };
  const std::string link = "://upi/pay?pa=shop%40upi&pn=Shop&am=499.00&tr=tvl_7f3a&cu=INR";
  const std::vector<Case> cases = {
      {"tiles", {{"order_type", "upi"}}, {"phonepe", "paytm"}, true, false, {}},
      {"empty upi_app", {{"order_type", "upi"}, {"upi_app", ""}}, {"gpay"}, true, false, {}},
      {"direct",
       {{"order_type", "upi"}, {"upi_app", "phonepe"}},
       {"phonepe"},
       false,
       false,
       {"phonepe" + link}},
      {"direct tez",
       {{"order_type", "upi"}, {"upi_app", "tez"}},
       {"gpay", "tez"},
       false,
       false,
       {"tez" + link}},
      {"qr", {{"order_type", "upi"}}, {}, false, true, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_ = std::make_shared<test::FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>(c.installed);
    Application::setUrlSchemeRegistry(registry_);
    UpiCheckoutViewController* screen = open(c.order);
    answerVerify(withKey(verifyAnswer(), "qrCode", realQrCode()));
    EXPECT_EQ(!screen->paymentOptionViews().isEmpty(), c.tiles);
    EXPECT_EQ(screen->viewQRCode()->isVisible(), c.qr);
    const bool opened = !c.opened.empty();
    EXPECT_EQ(screen->hasTimer(), c.qr || opened) << "the QR path and an opened app poll";
    EXPECT_EQ(screen->checkPaymentStatusMax(), c.qr ? 24 : 5);
    EXPECT_EQ(screen->paymentType(), PaymentType::upi(c.qr ? "qrcode" : "upi"));
    EXPECT_EQ(!screen->imageQRCode()->pixmap().isNull(), c.qr);
    EXPECT_EQ(registry_->openedUrls(), c.opened);
    EXPECT_EQ(screen->upiOptionPressed(), opened);
    EXPECT_EQ(screen->viewLoading()->isVisible(), opened);
    delete window_;
  }
}

TEST_F(UpiCheckoutViewControllerTests, ProbesMappedKeysInAnswerOrderAndListsTheInstalledOnes) {
  registry_ = std::make_shared<InstalledSchemesRegistry>(
      std::set<std::string>{"gpay", "bhim", "phonepe", "tez", "upi"});
  Application::setUrlSchemeRegistry(registry_);
  UpiCheckoutViewController* screen = open();
  answerVerify(withKey(verifyAnswer(), "uapp", {"tez", "upi", "phonepe", "paytm"}));

  EXPECT_EQ(registry_->probedSchemes(),
            (std::vector<std::string>{"gpay", "bhim", "phonepe", "paytm"}));
  EXPECT_EQ(screen->installedUapp(), (std::vector<std::string>{"gpay", "bhim", "phonepe"}));
  EXPECT_EQ(tileTitles(*screen), (std::vector<std::string>{"Google Pay", "bhim", "PhonePe"}));
  const auto events = analyticsEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["eventType"], "page_load");
  EXPECT_EQ(events[0]["app_count"], 3);
  EXPECT_EQ(events[0]["requestId"], "req_1");

  tapTile(2);
  EXPECT_EQ(registry_->openedUrls().size(), 1u);
  EXPECT_EQ(registry_->openedUrls()[0].rfind("phonepe://upi/pay?", 0), 0u);
}

TEST_F(UpiCheckoutViewControllerTests, OpensThePercentEncodedDeepLinkAndSendsTheClickEvent) {
  struct Case {
    const char* name;
    Dictionary link;  // null: no "u_link"
    bool launches;
    std::vector<std::string> opened;
    bool pressed;
    const char* alert;
  };
  const std::vector<Case> cases = {
      {"space",
       "upi://pay?pn=Shop Name&am=1",
       true,
       {"phonepe://upi/pay?pn=Shop%20Name&am=1"},
       true,
       nullptr},
      {"escapes kept",
       "upi://pay?pa=a%40b#x\u20B9",
       true,
       {"phonepe://upi/pay?pa=a%40b%23x%E2%82%B9"},
       true,
       nullptr},
      {"raw",
       "upi://pay?pa=a@b&am=10%&tn=%zz",
       true,
       {"phonepe://upi/pay?pa=a@b&am=10%25&tn=%25zz"},
       true,
       nullptr},
      {"no prefix", "pay?am=1", true, {"phonepe://upi/pay?am=1"}, true, nullptr},
      {"failed launch", "upi://pay?am=1", false, {}, false, "Could not open PhonePe"},
      {"no link", nullptr, true, {}, false, "UPI link is not available"},
      {"link not text", 42, true, {}, false, "UPI link is not available"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_ = std::make_shared<test::FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{"phonepe"});
    registry_->setLaunchSucceeds(c.launches);
    Application::setUrlSchemeRegistry(registry_);
    UpiCheckoutViewController* screen = open();
    answerVerify(withKey(verifyAnswer(), "u_link", c.link));
    tapTile(0);

    EXPECT_EQ(c.launches ? registry_->openedUrls() : std::vector<std::string>{}, c.opened);
    EXPECT_EQ(screen->upiOptionPressed(), c.pressed);
    const auto alerts = Alert::openAlerts();
    ASSERT_EQ(alerts.size(), c.alert ? 1 : 0);
    if (c.alert) {
      EXPECT_EQ(alerts[0]->message(), c.alert);
      alerts[0]->triggerAction("Ok");
    }
    const auto events = analyticsEvents();
    ASSERT_EQ(events.size(), 2u) << "page_load, then click even without a link";
    EXPECT_EQ(events[1]["event_type"], "click");
    EXPECT_EQ(events[1]["event"], "phonepe");
    EXPECT_EQ(events[1]["name"], "phonepe");
    EXPECT_FALSE(events[1].contains("eventType"));
    if (!c.launches) {  // the log says why, and the tiles still work
      EXPECT_TRUE(log_.contains("Could not open \"phonepe\": the system did not launch it"));
      tapTile(0);
      EXPECT_EQ(registry_->openedUrls().size(), 2u);
      ASSERT_EQ(Alert::openAlerts().size(), 1);
      Alert::openAlerts()[0]->triggerAction("Ok");
    }
    delete window_;
  }
}

TEST_F(UpiCheckoutViewControllerTests, PollsEveryFiveSecondsUpToTheBoundAndReportsTheLastAnswer) {
  struct Case {
    const char* name;
    std::set<std::string> installed;
    int bound;
  };
  for (const Case& c : {Case{"app", {"phonepe"}, 5}, Case{"qr", {}, 24}}) {
    SCOPED_TRACE(c.name);
    service_ = std::make_shared<test::FakeAPIService>();
    delegate_ = std::make_shared<test::RecordingStatusDelegate>();
    registry_ = std::make_shared<InstalledSchemesRegistry>(c.installed);
    Application::setUrlSchemeRegistry(registry_);
    QPointer<UpiCheckoutViewController> screen = open();
    answerVerify();
    if (c.bound == 5) {
      tapTile(0);
      EXPECT_TRUE(screen->viewLoading()->isVisible());
    }
    advance(4999ms);
    EXPECT_TRUE(callsNamed("checkPaymentStatus").empty());
    advance(1ms);
    const auto first = callsNamed("checkPaymentStatus");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(service_->calls[first[0]].params,
              (Dictionary{{"tarvel_oid", "tvl_7f3a"}, {"auth_token", "tok_51c9"}}));
    if (c.bound == 5) {
      EXPECT_TRUE(screen->labelLoading()->isVisible());
      EXPECT_EQ(screen->labelLoading()->text(), "Order Processing");
      EXPECT_TRUE(screen->activityIndicator()->isAnimating());
    }

    for (int n = 1; n < c.bound; ++n) {
      answerStatus(n, "PENDING");
      advance(5s);
    }
    EXPECT_EQ(screen->statusCurrentCount(), c.bound);
    advance(30s);
    EXPECT_EQ(callsNamed("checkPaymentStatus").size(), static_cast<std::size_t>(c.bound));
    EXPECT_FALSE(screen->hasTimer()) << "the tick after the last request stops the timer";
    EXPECT_TRUE(delegate_->taken().empty()) << "the report waits for the last answer";

    answerStatus(c.bound, "PENDING");
    const auto outcomes = delegate_->taken();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].status);
    EXPECT_EQ(outcomes[0].data, (Dictionary{{"payment_status", "PENDING"}, {"poll", c.bound}}));
    EXPECT_EQ(outcomes[0].thread, std::this_thread::get_id());
    EXPECT_FALSE(screen) << "popped and released";
    EXPECT_EQ(clock_->pendingCount(), 0u) << "no timer left behind";
  }
}

// Polls that fail keep one alert on screen, not one a poll; a failing last poll, or a last
// answer without a readable status, ends the flow instead of leaving the spinner running.
TEST_F(UpiCheckoutViewControllerTests, FailingPollsShowOneAlertAndTheLastFailureEndsTheFlow) {
  struct Case {
    const char* name;
    std::optional<Dictionary> lastAnswer;
    std::optional<APIError> lastError;
    Dictionary reported;
  };
  const Dictionary unreadable = {{"payment_status", {"PAID"}}};
  for (const Case& c : {Case{"error", std::nullopt, APIError::noNetwork, {{"error", "No Network"}}},
                        Case{"unreadable", unreadable, std::nullopt, unreadable}}) {
    SCOPED_TRACE(c.name);
    service_ = std::make_shared<test::FakeAPIService>();
    delegate_ = std::make_shared<test::RecordingStatusDelegate>();
    registry_ = std::make_shared<InstalledSchemesRegistry>();  // no app: the QR path, 24 polls
    Application::setUrlSchemeRegistry(registry_);
    QPointer<UpiCheckoutViewController> screen = open();
    answerVerify();
    for (int n = 1; n < 24; ++n) {
      advance(5s);
      const auto polls = callsNamed("checkPaymentStatus");
      ASSERT_EQ(polls.size(), static_cast<std::size_t>(n));
      service_->complete(polls.back(), std::nullopt, APIError::dataNotFound);
      settle();
    }
    ASSERT_EQ(Alert::openAlerts().size(), 1) << "one alert for 23 failed polls";
    EXPECT_EQ(Alert::openAlerts()[0]->message(), "Data Not Found");
    EXPECT_TRUE(delegate_->taken().empty());

    advance(5s);
    ASSERT_EQ(callsNamed("checkPaymentStatus").size(), 24u);
    service_->complete(callsNamed("checkPaymentStatus").back(), c.lastAnswer, c.lastError);
    settle();
    const auto outcomes = delegate_->taken();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].status);
    EXPECT_EQ(outcomes[0].data, c.reported);
    EXPECT_FALSE(screen) << "popped and released";
    EXPECT_TRUE(Alert::openAlerts().isEmpty());
    EXPECT_EQ(clock_->pendingCount(), 0u);
  }
}

TEST_F(UpiCheckoutViewControllerTests, PaidAtAnyCountReportsSuccessOnceAndEndsEverything) {
  for (int paidAt : {1, 3}) {
    SCOPED_TRACE(paidAt);
    service_ = std::make_shared<test::FakeAPIService>();
    delegate_ = std::make_shared<test::RecordingStatusDelegate>();
    registry_ = std::make_shared<InstalledSchemesRegistry>();
    Application::setUrlSchemeRegistry(registry_);
    log_.clear();
    QPointer<UpiCheckoutViewController> screen = open();
    answerVerify();
    backButtonOpensCancelAlert();
    advance(5s * paidAt);
    for (int n = 1; n < paidAt; ++n) answerStatus(n, "PENDING");
    answerStatus(paidAt, "PAID");

    auto outcomes = delegate_->taken();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].status);
    EXPECT_EQ(outcomes[0].data["payment_status"], "PAID");
    EXPECT_TRUE(Alert::openAlerts().isEmpty()) << "the cancel question went with the screen";
    EXPECT_EQ(log_.count("inside tiomer"), 1u);
    EXPECT_FALSE(screen);
    EXPECT_EQ(clock_->pendingCount(), 0u);
  }
}

TEST_F(UpiCheckoutViewControllerTests, NothingReportsAgainAfterTheOutcome) {
  registry_->install("gpay");
  QPointer<UpiCheckoutViewController> screen = openAlone();  // outlives its outcome
  answerVerify();
  tapTile(0);
  advance(10s);
  ASSERT_EQ(callsNamed("checkPaymentStatus").size(), 2u);
  answerStatus(2, "PAID");
  ASSERT_TRUE(screen);
  EXPECT_TRUE(screen->isFinished());
  EXPECT_FALSE(screen->hasTimer());

  answerStatus(1, "PAID");
  InternetConnectionManager::setProbe([] { return std::optional<uint32_t>(0u); });
  screen->viewModel()->checkPaymentStatus(true);  // sets an alert message: "No Network"
  setActive(false);
  setActive(true);
  screen->checkPaymentStatusOption();
  screen->backButtonClick();
  tapTile(1);
  advance(60s);
  EXPECT_EQ(delegate_->taken().size(), 1u);
  EXPECT_EQ(callsNamed("checkPaymentStatus").size(), 2u);
  EXPECT_TRUE(Alert::openAlerts().isEmpty());
  EXPECT_FALSE(screen->hasTimer());
  EXPECT_EQ(clock_->pendingCount(), 0u);
  delete screen;
}

TEST_F(UpiCheckoutViewControllerTests, AfterAnOpenPollingIgnoresTheFocusAndAReturnChecksAtOnce) {
  UpiCheckoutViewController* screen = open();
  answerVerify();
  setActive(false);
  setActive(true);
  EXPECT_FALSE(screen->viewLoading()->isVisible()) << "nothing was opened yet";
  EXPECT_FALSE(screen->hasTimer());

  tapTile(1);
  EXPECT_TRUE(screen->viewLoading()->isVisible());
  setActive(false);  // the app took the focus, and a kiosk may never hand it back
  advance(13s);
  EXPECT_EQ(screen->statusCurrentCount(), 2) << "polling goes on without the focus";
  setActive(true);
  EXPECT_EQ(screen->statusCurrentCount(), 3) << "a return checks at once";
  advance(4999ms);
  EXPECT_EQ(screen->statusCurrentCount(), 3) << "the next tick is a full interval later";
  advance(1ms);
  EXPECT_EQ(screen->statusCurrentCount(), 4);
  setActive(false);
  setActive(true);
  setActive(false);
  setActive(true);
  advance(60s);
  EXPECT_EQ(callsNamed("checkPaymentStatus").size(), 5u) << "returns count toward the bound";
  EXPECT_FALSE(screen->hasTimer());
  EXPECT_TRUE(delegate_->taken().empty());

  screen->startTimer();
  screen->startTimer();
  EXPECT_EQ(clock_->pendingCount(), 1u) << "one timer at most";
}

// A plain cancel reports {}; a cancel after the platform's failure was shown reports that
// failure, so that the host tells a refused order from a shopper's cancel.
TEST_F(UpiCheckoutViewControllerTests, CancelConfirmationOkReportsAndCloseKeepsTheScreen) {
  struct Case {
    const char* name;
    bool confirm;
    bool verifyFails;
    Dictionary reported;
  };
  for (const Case& c : {Case{"kept", false, false, {}}, Case{"cancelled", true, false, {}},
                        Case{"refused", true, true, {{"error", "Data Not Found"}}}}) {
    SCOPED_TRACE(c.name);
    delegate_ = std::make_shared<test::RecordingStatusDelegate>();
    service_ = std::make_shared<test::FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>();
    Application::setUrlSchemeRegistry(registry_);
    QPointer<UpiCheckoutViewController> screen = open();
    if (c.verifyFails) {
      service_->complete(callsNamed("verifyPaymentData")[0], std::nullopt, APIError::dataNotFound);
      settle();
      ASSERT_EQ(Alert::openAlerts().size(), 1);
      Alert::openAlerts()[0]->triggerAction("Ok");
      settle();
    } else {
      answerVerify();
      ASSERT_TRUE(screen->hasTimer());
    }

    Alert* alert = backButtonOpensCancelAlert();
    ASSERT_TRUE(alert);
    alert->triggerAction(c.confirm ? "OK" : "CANCEL");
    settle();

    const auto outcomes = delegate_->taken();
    ASSERT_EQ(outcomes.size(), c.confirm ? 1u : 0u);
    if (c.confirm) {
      EXPECT_FALSE(outcomes[0].status);
      EXPECT_EQ(outcomes[0].data, c.reported.is_null() ? Dictionary::object() : c.reported);
      EXPECT_FALSE(screen);
      EXPECT_EQ(clock_->pendingCount(), 0u);
      EXPECT_TRUE(window_->isNavigationBarHidden());
    } else {
      EXPECT_EQ(window_->topViewController(), screen.data());
      EXPECT_TRUE(screen->hasTimer());
    }
    delete window_;
  }
}

TEST_F(UpiCheckoutViewControllerTests, AFailedHeadingListsEveryAppOnceAndLaunchesOnce) {
  Dictionary failed = withKey(verifyAnswer(), "msg", {{"heading", "Failed!"}});
  UpiCheckoutViewController* screen = open();
  answerVerify(failed);
  EXPECT_EQ(screen->installedUapp(), (std::vector<std::string>{"phonepe", "paytm"}));
  EXPECT_EQ(tileTitles(*screen), (std::vector<std::string>{"PhonePe", "Paytm"}));
  EXPECT_EQ(screen->viewUPIContainer()->findChildren<QScrollArea*>().size(), 1);
  EXPECT_FALSE(screen->viewPriceDetails()->isVisible());
  const auto events = analyticsEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["app_count"], 2);
  EXPECT_EQ(events[1]["app_count"], 2);
  delete window_;

  service_ = std::make_shared<test::FakeAPIService>();
  open({{"order_type", "upi"}, {"upi_app", "paytm"}});
  answerVerify(failed);
  EXPECT_EQ(registry_->openedUrls().size(), 1u);
  EXPECT_EQ(analyticsEvents().size(), 1u) << "one click";
}

TEST_F(UpiCheckoutViewControllerTests, BadAnswersTakeAClearPathWithoutCrashing) {
  struct Case {
    const char* name;
    Dictionary order;
    std::string key;
    Dictionary value;  // null removes the key
    bool qr;
    const char* alert;
  };
  const Dictionary upi = {{"order_type", "upi"}};
  const std::vector<Case> cases = {
      {"no uapp", upi, "uapp", nullptr, true, nullptr},
      {"uapp not texts", upi, "uapp", {"phonepe", 7}, true, nullptr},
      {"qr without comma", upi, "qrCode", "iVBORw0KGgo", true, nullptr},
      {"qr not base64", upi, "qrCode", "data:image/png;base64,@@@@", true, nullptr},
      {"qr not an image", upi, "qrCode", "data:image/png;base64,aGVsbG8=", true, nullptr},
      {"total a number", upi, "total", 499, false, nullptr},
      {"total with commas", upi, "total", "1,250.00", false, nullptr},
      {"direct launch not installed",
       {{"order_type", "upi"}, {"upi_app", "tez"}},
       "total",
       "1.00",
       false,
       "Please install gpay in device"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    service_ = std::make_shared<test::FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>(
        c.qr ? std::set<std::string>{} : std::set<std::string>{"phonepe", "paytm"});
    Application::setUrlSchemeRegistry(registry_);
    UpiCheckoutViewController* screen = open(c.order);
    answerVerify(withKey(verifyAnswer(), c.key, c.value));

    EXPECT_EQ(screen->viewQRCode()->isVisible(), c.qr);
    if (c.qr) {
      EXPECT_TRUE(screen->hasTimer()) << "polling goes on without a picture";
      EXPECT_EQ(analyticsEvents().at(0)["app_count"], 0);
      if (c.key != "uapp") {
        EXPECT_TRUE(screen->imageQRCode()->pixmap().isNull());
        EXPECT_EQ(screen->imageQRCode()->text(), "QR code not available");
      }
    }
    const auto alerts = Alert::openAlerts();
    ASSERT_EQ(alerts.size(), c.alert ? 1 : 0);
    if (c.alert) {
      EXPECT_EQ(alerts[0]->message(), c.alert);
    }
    if (c.key == "total") {
      EXPECT_EQ(QTextDocumentFragment::fromHtml(screen->labelTotalPayment()->text()).toPlainText(),
                QString("Pay \u20B9") +
                    QString::fromStdString(c.value.is_string() ? c.value.get<std::string>() : ""));
    }
    for (Alert* alert : alerts) alert->triggerAction("Ok");
    delete window_;
  }
}

// Keys from the platform ("uapp") or the order ("upi_app") become the scheme of what is
// opened: only 1 to 32 lower-case letters and digits name an app; anything else is logged and
// gets no probe and no tile, or, named by the order, counts as not installed.
TEST_F(UpiCheckoutViewControllerTests, HostileAppKeysAreNeitherProbedNorOpened) {
  const std::vector<std::string> hostile = {"PhonePe",   "phonepe://upi/pay?pa=attacker@upi&x=",
                                            "https://x", std::string(33, 'a'),
                                            "",          "pay now",
                                            "a/b",       "\u20B9"};
  registry_ = std::make_shared<InstalledSchemesRegistry>(std::set<std::string>{
      "phonepe", "https", "paynow", std::string(33, 'a'), std::string(32, 'b')});
  Application::setUrlSchemeRegistry(registry_);
  Dictionary uapp = hostile;
  uapp.push_back(std::string(32, 'b'));
  UpiCheckoutViewController* screen = open();
  answerVerify(withKey(verifyAnswer(), "uapp", uapp));
  EXPECT_EQ(registry_->probedSchemes(), std::vector<std::string>{std::string(32, 'b')});
  EXPECT_EQ(screen->installedUapp(), std::vector<std::string>{std::string(32, 'b')});
  for (const std::string& key : hostile) {
    EXPECT_TRUE(
        log_.contains("UPI app key " + Dictionary(key).dump() + " of the verify answer ignored"))
        << key;
  }
  delete window_;

  for (const std::string& key : hostile) {
    SCOPED_TRACE(key);
    if (key.empty()) continue;  // an empty "upi_app" asks for the list
    service_ = std::make_shared<test::FakeAPIService>();
    log_.clear();
    open({{"order_type", "upi"}, {"upi_app", key}});
    answerVerify();
    EXPECT_TRUE(registry_->openedUrls().empty());
    EXPECT_TRUE(log_.contains("UPI app " + Dictionary(key).dump() + " of the order is not"));
    ASSERT_EQ(Alert::openAlerts().size(), 1);
    EXPECT_TRUE(Alert::openAlerts()[0]->message().startsWith("Please install "));
    Alert::openAlerts()[0]->triggerAction("Ok");
    delete window_;
  }
}

TEST_F(UpiCheckoutViewControllerTests, AnOfflineAnalyticsEventShowsNoNetwork) {
  open();
  InternetConnectionManager::setProbe([] { return std::optional<uint32_t>(0u); });
  answerVerify();
  const auto alerts = Alert::openAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]->message(), "No Network");
  EXPECT_TRUE(analyticsEvents().empty());
}

TEST_F(UpiCheckoutViewControllerTests, CashOnDeliveryAndUntypedOrdersEndAsTheAnswerSays) {
  struct Case {
    Dictionary order;
    Dictionary otpVerified;
    std::size_t outcomes;
    const char* logged;
  };
  const std::vector<Case> cases = {{{{"order_type", "cod"}}, true, 1, nullptr},
                                   {{{"order_type", "cod"}}, false, 0, nullptr},
                                   {{{"order_type", "cod"}}, "true", 0, nullptr},
                                   {{{"mid", "M-1"}}, true, 0, "default"}};
  for (const Case& c : cases) {
    service_ = std::make_shared<test::FakeAPIService>();
    delegate_ = std::make_shared<test::RecordingStatusDelegate>();
    log_.clear();
    UpiCheckoutViewController* screen = open(c.order);
    answerVerify(withKey(verifyAnswer(), "otp_verified", c.otpVerified));
    const auto outcomes = delegate_->taken();
    ASSERT_EQ(outcomes.size(), c.outcomes) << c.order.dump();
    if (c.outcomes) {
      EXPECT_EQ(outcomes[0].data["otp_verified"], true);
    } else {
      EXPECT_FALSE(screen->viewUPIContainer()->isVisible());
    }
    if (c.logged) {
      EXPECT_EQ(log_.count(c.logged), 1u);
    }
    delete window_;
  }
}

// The helpers the screen is made of, on their own.
TEST(UpiDeepLinkTests, KeysMapAndLinksEncodeForAQueryKeepingTheirEscapes) {
  EXPECT_EQ(detail::probedUpiAppKey("tez"), "gpay");
  EXPECT_EQ(detail::probedUpiAppKey("upi"), "bhim");
  EXPECT_EQ(detail::probedUpiAppKey("Tez"), "Tez");
  EXPECT_EQ(detail::upiProbeAddress("phonepe"), "phonepe://app");
  EXPECT_EQ(detail::addingPercentEncodingForQuery("a://b/c?d=e&f=g!$'()*+,-.;@_~"),
            "a://b/c?d=e&f=g!$'()*+,-.;@_~");
  EXPECT_EQ(detail::addingPercentEncodingForQuery(" %#[]\"<>\\^`{|}\u20B9"),
            "%20%25%23%5B%5D%22%3C%3E%5C%5E%60%7B%7C%7D%E2%82%B9");
  EXPECT_EQ(detail::addingPercentEncodingForQuery("%4a%4%zz%"), "%4a%254%25zz%25");
}

// A single-colour PNG of `width` × `height` as a "qrCode" text: a few kilobytes whatever its
// size in pixels.
std::string pngQrCode(int width, int height) {
  QImage picture(width, height, QImage::Format_Mono);
  picture.fill(1);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG", 0);  // the strongest compression
  return "data:image/png;base64," + png.toBase64().toStdString();
}

// Where a picture is decoded goes by its declared pixels, not its text: one beyond 2048 a side
// is refused unread, also when the host lifted Qt's image allocation limit; a large one is
// decoded away from the GUI thread and shown once ready.
TEST_F(UpiCheckoutViewControllerTests, QrPicturesAreCheckedBySizeBeforeDecoding) {
  const std::string bomb = pngQrCode(5790, 5790);
  ASSERT_LT(bomb.size(), 16u * 1024) << "small as text";
  const std::string large = pngQrCode(1500, 1500);
  struct Case {
    const char* name;
    std::string qrCode;
    int hostAllocationLimitMb;  // Qt's default is 128
    bool shown;
  };
  const std::vector<Case> cases = {
      {"bomb", bomb, 128, false},
      {"bomb, host limit lifted", bomb, 0, false},
      {"too wide", pngQrCode(2049, 8), 0, false},
      {"large in pixels", large, 128, true},
      {"large, not base64", large.substr(0, 100) + "*" + large.substr(101), 128, false}};
  const int hostLimit = QImageReader::allocationLimit();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QImageReader::setAllocationLimit(c.hostAllocationLimitMb);
    service_ = std::make_shared<test::FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>();
    Application::setUrlSchemeRegistry(registry_);
    log_.clear();
    QPointer<UpiCheckoutViewController> screen = open({{"order_type", "upi"}});
    answerVerify(withKey(verifyAnswer(), "qrCode", c.qrCode));
    ASSERT_TRUE(screen->viewQRCode()->isVisible());
    QLabel* label = screen->imageQRCode();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !label->pixmap().isNull() || !label->text().isEmpty(); }));
    EXPECT_EQ(!label->pixmap().isNull(), c.shown);
    if (c.shown) {
      EXPECT_LE(label->pixmap().width(), label->maximumWidth());
    } else {
      EXPECT_EQ(label->text(), "QR code not available");
    }
    if (c.qrCode == bomb) {
      EXPECT_TRUE(log_.contains("picture is 5790 x 5790 pixels, more than 2048 x 2048"));
    }
    delete window_;
  }
  QImageReader::setAllocationLimit(hostLimit);
}

TEST(QrCodeDecodingTests, OnlyTheSecondPieceDecodedStrictlyGivesAnImage) {
  const std::string png = realQrCode();
  const std::string payload = png.substr(png.find(',') + 1);
  EXPECT_FALSE(detail::decodeQrCode(png).image.isNull());
  EXPECT_FALSE(detail::decodeQrCode("a," + payload + ",trailing").image.isNull());
  for (const std::string& bad :
       {std::string("no comma at all"), "x," + payload.substr(0, 40) + "*" + payload.substr(41),
        std::string("x,aGVsbG8="), std::string("x,"), payload}) {
    const auto decoded = detail::decodeQrCode(bad);
    EXPECT_TRUE(decoded.image.isNull()) << bad.substr(0, 50);
    EXPECT_FALSE(decoded.failure.empty());
  }
}

}  // namespace
}  // namespace tarvel
