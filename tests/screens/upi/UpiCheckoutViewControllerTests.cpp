// The UPI payment screen on real widgets (offscreen), with the manual clock, an injected
// registry of installed apps and a fake service answering exactly when the test says. How each
// state looks is pictured by the golden tests; here, where each answer leads.
#include <thread>  // this_thread

#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QTextDocumentFragment>

#include "../ScreenTestFixture.h"
#include "QrCodeImage.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

Dictionary upiOrder(const char* upiApp = nullptr) {
  Dictionary order = {{"order_type", "upi"}};
  if (upiApp) order["upi_app"] = upiApp;
  return order;
}
std::string realQrCode() {
  return *sandbox::QrCodeImage::dataUrl("upi://pay?pa=shop%40upi&am=499.00&tr=tvl_7f3a");
}

using UpiCheckoutViewControllerTests = ScreenTest;

// Answers of the wrong type take a clear path too: an app list that is none or holds a number
// leads to the QR code, a numeric total shows none, an app the order names but the device lacks
// is asked for.
TEST_F(UpiCheckoutViewControllerTests, AVerifyAnswerLeadsToTilesDirectLaunchOrTheQrCode) {
  struct Case {
    const char* upiApp;
    std::set<std::string> installed;
    Dictionary changes;
    bool tiles, qr;
    const char* opened;
    const char* alert;
  };
  const Dictionary none = Dictionary::object();
  const Case cases[] = {
      {nullptr, {"phonepe", "paytm"}, none, true, false, nullptr, nullptr},
      {"", {"gpay"}, none, true, false, nullptr, nullptr},
      {"tez", {"gpay", "tez"}, none, false, false, "tez", nullptr},
      {nullptr, {}, none, false, true, nullptr, nullptr},
      {nullptr, {"phonepe", "paytm"}, {{"uapp", nullptr}}, false, true, nullptr, nullptr},
      {nullptr, {"phonepe", "paytm"}, {{"uapp", {"phonepe", 7}}}, false, true, nullptr, nullptr},
      {nullptr, {"phonepe", "paytm"}, {{"total", 499}}, true, false, nullptr, nullptr},
      {"tez", {"phonepe"}, none, false, false, nullptr, "Please install gpay in device"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(upiOrder(c.upiApp).dump() + " " + c.changes.dump());
    UpiCheckoutViewController* screen = openUpi(c.installed, upiOrder(c.upiApp));
    Dictionary changes = c.changes;
    changes["qrCode"] = realQrCode();
    answerVerify(changes);
    const bool opened = c.opened != nullptr;
    EXPECT_EQ(!screen->paymentOptionViews().isEmpty(), c.tiles);
    EXPECT_EQ(screen->viewQRCode()->isVisible(), c.qr);
    EXPECT_EQ(!screen->imageQRCode()->pixmap().isNull(), c.qr);
    EXPECT_EQ(screen->hasTimer(), c.qr || opened) << "the QR path and an opened app poll";
    EXPECT_EQ(screen->paymentType(), PaymentType::upi(c.qr ? "qrcode" : "upi"));
    EXPECT_EQ(registry_->openedUrls(),
              opened ? Strings{std::string(c.opened) +
                               "://upi/pay?pa=shop%40upi&pn=Shop&am=499.00&tr=tvl_7f3a&cu=INR"}
                     : Strings{});
    EXPECT_EQ(screen->upiOptionPressed(), opened);
    EXPECT_TRUE(!c.qr || params("appAnalytics")["app_count"] == 0);
    const Dictionary total = verifyAnswer(changes)["total"];
    EXPECT_EQ(QTextDocumentFragment::fromHtml(screen->labelTotalPayment()->text()).toPlainText(),
              QString("Pay \u20B9") +
                  QString::fromStdString(total.is_string() ? total.get<std::string>() : ""));
    if (c.alert) {
      answerAlert("Ok", c.alert);
    } else {
      EXPECT_TRUE(Alert::openAlerts().isEmpty());
    }
  }
}

TEST_F(UpiCheckoutViewControllerTests, OpensThePercentEncodedDeepLinkAndSendsTheClickEvent) {
  struct Case {
    Dictionary link;
    bool launches;
    const char* opened;
    const char* alert;
  };
  const Case cases[] = {
      // Escapes stay; anything else outside the query's allowed characters is encoded.
      {"upi://pay?pn=Shop Name&x=%4a%4%zz%&a=!$'()*+,-.;@_~&b=[]\"<>\\^`{|}#x\u20B9", true,
       "phonepe://upi/pay?pn=Shop%20Name&x=%4a%254%25zz%25&a=!$'()*+,-.;@_~"
       "&b=%5B%5D%22%3C%3E%5C%5E%60%7B%7C%7D%23x%E2%82%B9",
       nullptr},
      {"upi://pay?am=1", false, nullptr, "Could not open PhonePe"},
      {42, true, nullptr, "UPI link is not available"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link.dump());
    UpiCheckoutViewController* screen = openUpi({"phonepe"});
    registry_->setLaunchSucceeds(c.launches);
    answerVerify({{"u_link", c.link}});
    tapTile(0);

    EXPECT_EQ(c.launches ? registry_->openedUrls() : Strings{},
              c.opened ? Strings{c.opened} : Strings{});
    EXPECT_EQ(screen->upiOptionPressed(), c.opened != nullptr);
    if (c.alert) answerAlert("Ok", c.alert);
    ASSERT_EQ(callCount("appAnalytics"), 2u) << "page_load, then click even without a link";
    EXPECT_EQ(params("appAnalytics", 1)["event_type"], "click");
    EXPECT_EQ(params("appAnalytics", 1)["event"], "phonepe");
    if (!c.launches) {  // the log says why, and the tiles still work
      EXPECT_TRUE(log_.contains("Could not open \"phonepe\": the system did not launch it"));
      tapTile(0);
      EXPECT_EQ(registry_->openedUrls().size(), 2u);
      answerAlert("Ok", c.alert);
    }
  }
}

// The status is polled every five seconds, up to 5 times after an app was opened and 24 times
// for the QR code. The last answer ends the flow as it is (PENDING, a failure, no readable
// status) instead of leaving the spinner running; failing polls before it keep one alert, not
// one a poll. (PAID, which ends it at once, also over the cancel question, is the randomized
// run's and the sandbox flow's.)
TEST_F(UpiCheckoutViewControllerTests, PollsEveryFiveSecondsUpToTheBoundAndReportsTheLastAnswer) {
  auto status = [](const char* text, std::size_t poll) {
    return Dictionary{{"payment_status", text}, {"poll", poll}};
  };
  const Dictionary unreadable = {{"payment_status", {"PAID"}}};
  struct Row {
    std::size_t bound;
    bool earlierFail;
    Dictionary last;  // null: the last poll fails with "No Network"
  };
  const Row rows[] = {
      {5, false, status("PENDING", 5)}, {24, true, nullptr}, {24, true, unreadable}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.bound) + " " + row.last.dump());
    QPointer<UpiCheckoutViewController> screen =
        openUpi(row.bound == 5 ? std::set<std::string>{"phonepe"} : std::set<std::string>{});
    // Only text identifiers go out: a numeric "tarvel_oid" is left out of the status request.
    answerVerify(row.bound == 5 ? Dictionary::object() : Dictionary{{"tarvel_oid", 7}});
    if (row.bound == 5) tapTile(0);
    advance(5s);
    ASSERT_EQ(callCount("checkPaymentStatus"), 1u);
    EXPECT_EQ(params("checkPaymentStatus"),
              (row.bound == 5 ? Dictionary{{"tarvel_oid", "tvl_7f3a"}, {"auth_token", "tok_51c9"}}
                              : Dictionary{{"auth_token", "tok_51c9"}}));
    for (std::size_t n = 1; n < row.bound; ++n) {
      if (row.earlierFail) {
        complete("checkPaymentStatus", std::nullopt, APIError::dataNotFound, n - 1);
      } else {
        complete("checkPaymentStatus", status("PENDING", n), std::nullopt, n - 1);
      }
      advance(5s);
      ASSERT_EQ(callCount("checkPaymentStatus"), n + 1);
    }
    if (row.earlierFail) {
      ASSERT_NE(onlyAlert(), nullptr) << "one alert for 23 failed polls";
      EXPECT_EQ(onlyAlert()->message(), "Data Not Found");
    }
    EXPECT_EQ(screen->statusCurrentCount(), static_cast<int>(row.bound));
    advance(30s);
    EXPECT_EQ(callCount("checkPaymentStatus"), row.bound);
    EXPECT_FALSE(screen->hasTimer()) << "the tick after the last request stops the timer";
    EXPECT_TRUE(delegate_->outcomes.empty()) << "the report waits for the last answer";
    if (row.last.is_null()) {
      complete("checkPaymentStatus", std::nullopt, APIError::noNetwork, row.bound - 1);
    } else {
      complete("checkPaymentStatus", row.last, std::nullopt, row.bound - 1);
    }
    ASSERT_EQ(delegate_->outcomes.size(), 1u);
    EXPECT_FALSE(delegate_->outcomes[0].status);
    EXPECT_EQ(delegate_->outcomes[0].data,
              (row.last.is_null() ? Dictionary{{"error", "No Network"}} : row.last));
    EXPECT_EQ(delegate_->outcomes[0].thread, std::this_thread::get_id());
    EXPECT_EQ(log_.count("inside tiomer"), 1u) << "the timer is stopped once";
    EXPECT_FALSE(screen) << "popped and released";
    EXPECT_TRUE(Alert::openAlerts().isEmpty());
    EXPECT_EQ(clock_->pendingCount(), 0u) << "no timer left behind";
  }
}

TEST_F(UpiCheckoutViewControllerTests, AfterAnOpenPollingIgnoresTheFocusAndAReturnChecksAtOnce) {
  UpiCheckoutViewController* screen = openUpi();
  answerVerify();
  setActive(false);
  setActive(true);
  EXPECT_FALSE(screen->hasTimer()) << "nothing was opened yet";

  tapTile(1);
  ASSERT_EQ(registry_->openedUrls().size(), 1u);
  EXPECT_EQ(registry_->openedUrls()[0].rfind("paytm://upi/pay?", 0), 0u) << "the tapped tile's";
  setActive(false);  // the app took the focus, and a kiosk may never hand it back
  advance(13s);
  EXPECT_EQ(screen->statusCurrentCount(), 2) << "polling goes on without the focus";
  setActive(true);
  EXPECT_EQ(screen->statusCurrentCount(), 3) << "a return checks at once";
  for (bool active : {false, true, false, true}) setActive(active);
  advance(60s);
  EXPECT_EQ(callCount("checkPaymentStatus"), 5u) << "returns count toward the bound";
  EXPECT_FALSE(screen->hasTimer());
  EXPECT_TRUE(delegate_->outcomes.empty());

  screen->startTimer();
  screen->startTimer();
  EXPECT_EQ(clock_->pendingCount(), 1u) << "one timer at most";
}

TEST_F(UpiCheckoutViewControllerTests, AFailedHeadingListsEveryAppOnceAndLaunchesOnce) {
  const Dictionary failed = {{"msg", {{"heading", "Failed!"}}}};
  UpiCheckoutViewController* screen = openUpi();
  answerVerify(failed);
  EXPECT_EQ(screen->installedUapp(), (Strings{"phonepe", "paytm"}));
  EXPECT_EQ(screen->paymentOptionViews().size(), 2);
  ASSERT_EQ(callCount("appAnalytics"), 2u);
  EXPECT_EQ(params("appAnalytics", 0)["app_count"], 2);
  EXPECT_EQ(params("appAnalytics", 1)["app_count"], 2);

  openUpi({"phonepe", "paytm"}, upiOrder("paytm"));
  answerVerify(failed);
  EXPECT_EQ(registry_->openedUrls().size(), 1u);
  EXPECT_EQ(callCount("appAnalytics"), 1u) << "one click";
}

// Keys from the platform ("uapp") or the order ("upi_app") become the scheme of what is
// opened: only 1 to 32 lower-case letters and digits name an app; anything else is logged and
// gets no probe and no tile, or, named by the order, counts as not installed.
TEST_F(UpiCheckoutViewControllerTests, HostileAppKeysAreNeitherProbedNorOpened) {
  const Strings hostile = {"PhonePe",   "phonepe://upi/pay?pa=attacker@upi&x=",
                           "https://x", std::string(33, 'a'),
                           "",          "pay now",
                           "a/b",       "\u20B9"};
  const std::set<std::string> installed = {"phonepe", "https", "paynow", std::string(33, 'a'),
                                           std::string(32, 'b')};
  Dictionary uapp = hostile;
  uapp.push_back(std::string(32, 'b'));
  UpiCheckoutViewController* screen = openUpi(installed);
  answerVerify({{"uapp", uapp}});
  EXPECT_EQ(registry_->probedSchemes(), Strings{std::string(32, 'b')});
  EXPECT_EQ(screen->installedUapp(), Strings{std::string(32, 'b')});
  for (const std::string& key : hostile) {
    EXPECT_TRUE(
        log_.contains("UPI app key " + Dictionary(key).dump() + " of the verify answer ignored"))
        << key;
  }

  for (const std::string& key : hostile) {
    SCOPED_TRACE(key);
    if (key.empty()) continue;  // an empty "upi_app" asks for the list
    openUpi(installed, {{"order_type", "upi"}, {"upi_app", key}});
    answerVerify();
    EXPECT_TRUE(registry_->openedUrls().empty());
    EXPECT_TRUE(log_.contains("UPI app " + Dictionary(key).dump() + " of the order is not"));
    ASSERT_NE(onlyAlert(), nullptr);
    EXPECT_TRUE(onlyAlert()->message().startsWith("Please install "));
  }
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

// The picture is the text after the first comma, up to any next one. Where it is decoded goes
// by its declared pixels, not its text: one beyond 2048 a side is refused unread, also when the
// host lifted Qt's image allocation limit; a large one is decoded away from the GUI thread and
// shown once ready. A picture that cannot be shown leaves a note, and polling goes on.
TEST_F(UpiCheckoutViewControllerTests, QrPicturesAreCheckedBySizeBeforeDecoding) {
  const std::string bomb = pngQrCode(5790, 5790);
  ASSERT_LT(bomb.size(), 16u * 1024) << "small as text";
  const std::string large = pngQrCode(1500, 1500);
  struct Case {
    std::string qrCode;
    int hostAllocationLimitMb;  // Qt's default is 128
    bool shown;
  };
  const Case cases[] = {{"iVBORw0KGgo", 128, false},
                        {"data:image/png;base64,aGVsbG8=", 128, false},
                        {bomb, 128, false},
                        {bomb, 0, false},
                        {large, 128, true},
                        {large.substr(0, 100) + "*" + large.substr(101), 128, false},
                        {"x," + realQrCode().substr(22) + ",trailing", 128, true}};
  const int hostLimit = QImageReader::allocationLimit();
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    QImageReader::setAllocationLimit(c.hostAllocationLimitMb);
    QPointer<UpiCheckoutViewController> screen = openUpi({});
    answerVerify({{"qrCode", c.qrCode}});
    QLabel* label = screen->imageQRCode();
    ASSERT_TRUE(test::processEventsUntil(
        [&] { return !label->pixmap().isNull() || !label->text().isEmpty(); }));
    EXPECT_EQ(!label->pixmap().isNull(), c.shown);
    EXPECT_TRUE(c.shown ? label->pixmap().width() <= label->maximumWidth()
                        : label->text() == "QR code not available");
    EXPECT_TRUE(screen->hasTimer());
    if (c.qrCode == bomb) {
      EXPECT_TRUE(log_.contains("picture is 5790 x 5790 pixels, more than 2048 x 2048"));
    }
  }
  QImageReader::setAllocationLimit(hostLimit);
}

}  // namespace
}  // namespace tarvel::test
