// The OTP screen on real widgets (offscreen) with a fake service and the manual clock: the
// decision after verification, the countdown, submission, errors, closing, keyboard geometry,
// the amount line and the upi branch.
#include <chrono>      // seconds
#include <functional>  // function

#include <QTextDocumentFragment>
#include <QToolButton>

#include "InstalledSchemesRegistry.h"
#include "LogCapture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "OtpScreenFixture.h"
#include "platform/Application.h"
#include "tarvel/OTPVerifyDelegate.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::test {
namespace {

using std::chrono::seconds;

class VerifyOTPViewControllerTests : public OtpScreenFixture {
 public:
  bool onTopOfStack() const { return navigation_->topViewController() == screen_.data(); }
  bool closed() const {
    return screen_.isNull() && !navigation_->presentedViewController() &&
           navigation_->topViewController() == bottom_.data();
  }
  QString amountLine() const {
    return QTextDocumentFragment::fromHtml(label("labelTotalPayment")->text()).toPlainText();
  }
  void submitDigits(const QString& digits) {
    field(1)->setFocus();
    typeText(digits);
    QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
    settle();
  }
};

TEST_F(VerifyOTPViewControllerTests, LoadSendsTheOtpAndVerifiesTheOrderAtOnceBehindASpinner) {
  open(codOrder());

  ASSERT_EQ(service_->calls.size(), 3u);
  EXPECT_EQ(service_->calls[0].operation, "sendOtp");
  EXPECT_EQ(service_->calls[0].params, (Dictionary{{"mid", "m-7Qx2"},
                                                   {"phone", "9876500042"},
                                                   {"order_type", "cod"},
                                                   {"moid", "moid-R4nd0mK3y"}}));
  EXPECT_EQ(service_->calls[1].operation, "verifyPaymentData");
  EXPECT_EQ(service_->calls[1].params, codOrder());
  EXPECT_EQ(service_->calls[2].operation, "appAnalytics");
  EXPECT_EQ(service_->calls[2].params["eventType"], "otp_dialog_load");
  // The order has no "tarvel_oid" yet, so the identity block stays out.
  EXPECT_FALSE(service_->calls[2].params.contains("requestId"));

  EXPECT_TRUE(spinning("activityIndicatorWithoutOTP"));
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  EXPECT_TRUE(delegate_->outcomes.empty());
}

struct DecisionRow {
  const char* name;
  std::function<void(Dictionary& order, Dictionary& answer)> edit;
  enum class Expect { otpPanel, success, failure, priceOnly } expect;
};

TEST_F(VerifyOTPViewControllerTests, DecisionAfterVerification) {
  using E = DecisionRow::Expect;
  const std::vector<DecisionRow> rows = {
      {"otp null, merchant false", [](Dictionary&, Dictionary&) {}, E::otpPanel},
      {"merchant verified", [](Dictionary&, Dictionary& a) { a["merchant_user_verified"] = true; },
       E::success},
      {"otp_verified absent", [](Dictionary&, Dictionary& a) { a.erase("otp_verified"); },
       E::success},
      {"otp_verified true", [](Dictionary&, Dictionary& a) { a["otp_verified"] = true; },
       E::success},
      {"otp_verified false", [](Dictionary&, Dictionary& a) { a["otp_verified"] = false; },
       E::success},
      {"failed heading", [](Dictionary&, Dictionary& a) { a["msg"]["heading"] = "Failed!"; },
       E::failure},
      {"failed heading, merchant verified",
       [](Dictionary&, Dictionary& a) {
         a["msg"]["heading"] = "Failed!";
         a["merchant_user_verified"] = true;
       },
       E::failure},
      {"order type absent", [](Dictionary& o, Dictionary&) { o.erase("order_type"); },
       E::priceOnly},
  };
  for (const DecisionRow& row : rows) {
    SCOPED_TRACE(row.name);
    Dictionary order = codOrder();
    Dictionary answer = verifiedAnswer();
    row.edit(order, answer);
    LogCapture log;
    open(order);
    answerLoad(answer);
    const auto& outcomes = delegate_->outcomes;

    switch (row.expect) {
      case E::otpPanel:
        EXPECT_TRUE(child("viewCODContainer")->isVisible());
        EXPECT_TRUE(child("viewPriceDetails")->isVisible());
        EXPECT_FALSE(spinning("activityIndicatorWithoutOTP"));
        EXPECT_EQ(focusedField(), 1);
        EXPECT_TRUE(outcomes.empty());
        break;
      case E::success:
      case E::failure:
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].status, row.expect == E::success);
        EXPECT_EQ(outcomes[0].data, answer);
        EXPECT_TRUE(closed());
        break;
      case E::priceOnly:
        EXPECT_TRUE(child("viewPriceDetails")->isVisible());
        EXPECT_FALSE(child("viewCODContainer")->isVisible());
        EXPECT_TRUE(log.contains("default"));
        EXPECT_TRUE(outcomes.empty());
        break;
    }
    closeAll();
  }
}

// Over the real network: an answer whose "merchant_user_verified" is not a boolean counts as
// false, so the OTP panel opens (instead of the spinner running for ever).
TEST_F(VerifyOTPViewControllerTests, MerchantVerifiedThatIsNotABooleanCountsAsFalse) {
  for (const Dictionary& merchant : {Dictionary(), Dictionary("true")}) {
    SCOPED_TRACE(merchant.dump());
    Dictionary answer = verifiedAnswer();
    answer.erase("merchant_user_verified");
    if (!merchant.is_null()) answer["merchant_user_verified"] = merchant;
    LoopbackServer server;
    server.answerJson("POST", "/v1/order/verify", 200, Dictionary{{"data", answer}}.dump());
    server.answerJson("POST", "/v1/user/send-otp", 200, R"({"data": {"message": "OTP sent"}})");
    ASSERT_TRUE(server.start());
    LogCapture log;
    open(codOrder(), {375, 667}, std::make_shared<LoopbackAPIService>(server.baseUrl()));
    EXPECT_TRUE(processEventsUntil([&] { return child("viewCODContainer")->isVisible(); }));
    EXPECT_FALSE(spinning("activityIndicatorWithoutOTP"));
    EXPECT_EQ(log.count("\"merchant_user_verified\" is missing or not a boolean: taken as false"),
              1u);
    EXPECT_TRUE(delegate_->outcomes.empty());
    closeAll();
  }
}

struct Closing {
  const char* name;
  std::function<void(VerifyOTPViewControllerTests&)> act;
  bool status;
  Dictionary data = nullptr;  // null: not checked
};

TEST_F(VerifyOTPViewControllerTests, EveryCloseReportsOnceAndPopsOrDismisses) {
  const std::vector<Closing> paths = {
      {"OTP accepted",
       [](VerifyOTPViewControllerTests& t) {
         t.answerLoad();
         t.submitDigits("1234");
         t.complete("verifyOtp",
                    Dictionary{{"statusCode", 200}, {"statusMessage", "OTP verified"}});
       },
       true},
      {"cancel confirmed from the keyboard",
       [](VerifyOTPViewControllerTests& t) {
         t.answerLoad();
         t.typeKey(Qt::Key_Escape);
         ASSERT_NE(t.onlyAlert(), nullptr);
         t.answerAlert("OK");
         settle();
       },
       false, Dictionary::object()},
      {"cancel after the platform refused the OTP",
       [](VerifyOTPViewControllerTests& t) {
         t.answerLoad();
         t.submitDigits("1234");
         t.complete("verifyOtp", Dictionary{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}});
         t.answerAlert("Ok");
         t.screen_->backButtonClick();
         settle();
         t.answerAlert("OK");
       },
       false,
       {{"error", "Invalid OTP"}}},
      {"verification failed",
       [](VerifyOTPViewControllerTests& t) {
         Dictionary failed = verifiedAnswer();
         failed["msg"]["heading"] = "Failed!";
         t.answerLoad(failed);
       },
       false},
      {"verified without OTP",
       [](VerifyOTPViewControllerTests& t) {
         Dictionary verified = verifiedAnswer();
         verified["merchant_user_verified"] = true;
         t.answerLoad(verified);
       },
       true},
  };
  for (const char* upiApp : {"paytm", ""}) {
    for (const Closing& path : paths) {
      SCOPED_TRACE(std::string(path.name) + ", upi_app \"" + upiApp + "\"");
      Dictionary order = codOrder();
      order["upi_app"] = upiApp;
      open(order);
      ASSERT_EQ(navigation_->presentedViewController() == screen_.data(), *upiApp == '\0');
      path.act(*this);
      // Late answers and presses after the outcome change nothing.
      if (screen_) screen_->backButtonClick();
      settle();
      ASSERT_EQ(delegate_->outcomes.size(), 1u);
      EXPECT_EQ(delegate_->outcomes[0].status, path.status);
      if (!path.data.is_null()) {
        EXPECT_EQ(delegate_->outcomes[0].data, path.data);
      }
      EXPECT_TRUE(closed());
      EXPECT_TRUE(detail::Alert::openAlerts().isEmpty());
      closeAll();
    }
  }
}

// The shopper may be reading a question (cancel?) or an error when the platform's answer ends
// the checkout: the outcome takes the screen's alerts with it, none is left over the host.
TEST_F(VerifyOTPViewControllerTests, AnOutcomeClosesTheAlertsTheScreenOpened) {
  const std::vector<Closing> paths = {
      {"verified without OTP while the cancel question is open",
       [](VerifyOTPViewControllerTests& t) {
         t.complete("sendOtp", Dictionary{{"message", "OTP sent"}});
         t.screen_->backButtonClick();
         settle();
         Dictionary verified = verifiedAnswer();
         verified["merchant_user_verified"] = true;
         t.complete("verifyPaymentData", verified);
       },
       true},
      {"verification failed while the cancel question is open",
       [](VerifyOTPViewControllerTests& t) {
         t.screen_->backButtonClick();
         settle();
         Dictionary failed = verifiedAnswer();
         failed["msg"]["heading"] = "Failed!";
         t.answerLoad(failed);
       },
       false},
      {"OTP accepted while an error alert is open",
       [](VerifyOTPViewControllerTests& t) {
         t.answerLoad();
         t.submitDigits("1234");
         t.screen_->resendOTPOption();
         t.complete("reSendOtp", std::nullopt, APIError::invalidStatusCode);
         t.complete("verifyOtp",
                    Dictionary{{"statusCode", 200}, {"statusMessage", "OTP verified"}});
       },
       true},
  };
  for (const char* upiApp : {"paytm", ""}) {
    for (const Closing& path : paths) {
      SCOPED_TRACE(std::string(path.name) + ", upi_app \"" + upiApp + "\"");
      Dictionary order = codOrder();
      order["upi_app"] = upiApp;
      open(order);
      path.act(*this);
      settle();
      ASSERT_EQ(delegate_->outcomes.size(), 1u);
      EXPECT_EQ(delegate_->outcomes[0].status, path.status);
      EXPECT_TRUE(closed());
      EXPECT_TRUE(detail::Alert::openAlerts().isEmpty());
      closeAll();
    }
  }
}

TEST_F(VerifyOTPViewControllerTests, PresentedScreenIsLoadedAtConstructionAndSeeThrough) {
  showNavigation();
  Dictionary order = codOrder();
  order["upi_app"] = "";
  auto* screen = new VerifyOTPViewController(order, false, service_);
  screen_ = screen;
  EXPECT_TRUE(screen->isViewLoaded());
  EXPECT_EQ(callCount("sendOtp"), 1);
  EXPECT_EQ(callCount("verifyPaymentData"), 1);
  screen->setCheckoutStatusDelegate(delegate_);
  navigation_->present(screen, true);
  settle();
  answerLoad();
  EXPECT_EQ(amountLine(), QString::fromUtf8("Pay \u20B91499.00")) << "as on the pushed screen";
  EXPECT_TRUE(child("viewCODContainer")->isVisible());
  EXPECT_EQ(screen->navigationController(), nullptr);
}

// When the platform fails, both calls of the load fail together: the shopper sees one alert,
// and a visible back button (on the sheet itself when presented) ends the flow once.
TEST_F(VerifyOTPViewControllerTests, AFailingPlatformShowsOneAlertAndTheBackButtonLeaves) {
  for (const char* upiApp : {"paytm", ""}) {
    SCOPED_TRACE(std::string("upi_app \"") + upiApp + "\"");
    Dictionary order = codOrder();
    order["upi_app"] = upiApp;
    open(order);
    complete("sendOtp", std::nullopt, APIError::noNetwork);
    complete("verifyPaymentData", std::nullopt, APIError::noNetwork);
    ASSERT_NE(onlyAlert(), nullptr) << "one alert for the same message";
    EXPECT_EQ(onlyAlert()->message(), "No Network");
    answerAlert("Ok");

    auto* back = qobject_cast<QToolButton*>(screen_->leftNavigationItem());
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(back->isVisible());
    back->click();
    settle();
    ASSERT_NE(onlyAlert(), nullptr);
    answerAlert("OK");
    settle();
    ASSERT_EQ(delegate_->outcomes.size(), 1u);
    EXPECT_FALSE(delegate_->outcomes[0].status);
    EXPECT_TRUE(closed());
    closeAll();
  }
}

TEST_F(VerifyOTPViewControllerTests, AmountLineReadsTotalAsDecimalText) {
  const std::vector<std::pair<Dictionary, const char*>> rows = {
      {"1499", "\u20B91499.00"}, {"99.5", "\u20B999.50"}, {"abc", "\u20B90.00"},
      {"12abc", "\u20B90.00"},   {1499, "\u20B90.00"},    {nullptr, "\u20B90.00"},
  };
  for (const auto& [total, expected] : rows) {
    SCOPED_TRACE(total.dump());
    Dictionary order = codOrder();
    if (total.is_null()) {
      order.erase("total");
    } else {
      order["total"] = total;
    }
    open(order);
    answerLoad();
    EXPECT_EQ(amountLine(), "Pay " + QString::fromUtf8(expected));
    closeAll();
  }
}

TEST_F(VerifyOTPViewControllerTests, CountdownRunsOnceFromThirtyToTheResendButton) {
  open(codOrder());
  answerLoad();
  QStringList shown;
  for (int tick = 1; tick <= 30; ++tick) {
    clock_->advance(seconds(1));
    if (label("labelResend2")->isVisible()) shown << label("labelResend2")->text();
  }
  QStringList expected;
  for (int left = 29; left >= 1; --left) expected << QString("00:%1").arg(left, 2, 10, QChar('0'));
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(button("buttonResendOTP")->isVisible());
  EXPECT_FALSE(label("labelResend1")->isVisible());
  EXPECT_EQ(label("labelResend2")->text(), "00:30");

  settle();
  QTest::mouseClick(button("buttonResendOTP"), Qt::LeftButton);
  clock_->advance(seconds(5));
  settle();
  EXPECT_EQ(callCount("reSendOtp"), 1);
  EXPECT_EQ(service_->calls[callIndex("reSendOtp")].params,
            service_->calls[callIndex("sendOtp")].params);
  EXPECT_TRUE(button("buttonResendOTP")->isVisible());
  EXPECT_FALSE(label("labelResend2")->isVisible());
  EXPECT_EQ(screen_->otpTicToc(), 30);
}

struct Listener : OTPVerifyDelegate {
  void otpVerified(bool verified) override { calls.push_back(verified); }
  std::vector<bool> calls;
};

TEST_F(VerifyOTPViewControllerTests, SubmissionSendsTheJoinedDigitsOnceAndReportsTheAcceptedOtp) {
  auto listener = std::make_shared<Listener>();
  open(codOrder())->setOtpVerifyDelegate(listener);
  answerLoad();

  for (const QStringList& texts : {QStringList{"1", "2", "", "4"}, QStringList{"", "", "", ""}}) {
    for (int n = 1; n <= 4; ++n) field(n)->setText(texts[n - 1]);
    screen_->submitOTPOption();
    ASSERT_NE(onlyAlert(), nullptr);
    EXPECT_EQ(onlyAlert()->message(), "Please enter OTP");
    answerAlert("Ok");
  }
  EXPECT_EQ(callCount("verifyOtp"), 0);

  submitDigits("1234");
  ASSERT_EQ(callCount("verifyOtp"), 1);
  EXPECT_EQ(service_->calls[callIndex("verifyOtp")].params,
            (Dictionary{{"phone", "9876500042"}, {"moid", "moid-R4nd0mK3y"}, {"otp", "1234"}}));
  // A second tap or Return while the verification runs sends nothing.
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  EXPECT_TRUE(spinning("activityIndicator"));
  screen_->submitOTPOption();
  screen_->setFocus();
  typeKey(Qt::Key_Return);
  EXPECT_EQ(callCount("verifyOtp"), 1);

  complete("verifyOtp", Dictionary{{"statusCode", 200}, {"statusMessage", "OTP verified"}});
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  Dictionary expected = verifiedAnswer();
  expected["otp_verified"] = true;
  EXPECT_TRUE(delegate_->outcomes[0].status);
  EXPECT_EQ(delegate_->outcomes[0].data, expected);
  EXPECT_EQ(listener->calls, std::vector<bool>{true});
}

struct ErrorRow {
  const char* name;
  std::function<void(VerifyOTPViewControllerTests&)> fail;
  const char* message;
  bool inLabel;
};

TEST_F(VerifyOTPViewControllerTests, ErrorsShowInTheAlertAndOtpErrorsInTheLabelFor15Seconds) {
  const std::vector<ErrorRow> rows = {
      {"rejected OTP",
       [](VerifyOTPViewControllerTests& t) {
         t.submitDigits("1234");
         t.complete("verifyOtp", Dictionary{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}});
       },
       "Invalid OTP", true},
      {"resend failed",
       [](VerifyOTPViewControllerTests& t) {
         t.screen_->resendOTPOption();
         t.complete("reSendOtp", std::nullopt, APIError::dataNotFound);
       },
       "Data Not Found", true},
      {"status poll failed (checkout view model)",
       [](VerifyOTPViewControllerTests& t) {
         t.screen_->checkPaymentStatusOption();
         t.complete("checkPaymentStatus", std::nullopt, APIError::dataNotFound);
       },
       "Data Not Found", false},
  };
  for (const ErrorRow& row : rows) {
    SCOPED_TRACE(row.name);
    open(codOrder());
    answerLoad();
    row.fail(*this);
    ASSERT_NE(onlyAlert(), nullptr);
    EXPECT_EQ(onlyAlert()->message(), row.message);
    answerAlert("Ok");
    settle();
    EXPECT_EQ(label("labelErrorMessage")->isVisible(), row.inLabel);
    if (row.inLabel) {
      EXPECT_EQ(label("labelErrorMessage")->text(), row.message);
      clock_->advance(seconds(14));
      EXPECT_TRUE(label("labelErrorMessage")->isVisible());
      clock_->advance(seconds(1));
      EXPECT_FALSE(label("labelErrorMessage")->isVisible());
      EXPECT_EQ(label("labelErrorMessage")->text(), "");
    }
    EXPECT_TRUE(delegate_->outcomes.empty());
    closeAll();
  }
}

TEST_F(VerifyOTPViewControllerTests, ARejectedOtpKeepsTheDigitsAndALaterErrorGetsItsFullTime) {
  open(codOrder());
  answerLoad();
  submitDigits("1234");
  complete("verifyOtp", Dictionary{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}});
  answerAlert("Ok");
  EXPECT_EQ(fieldTexts(), (QStringList{"1", "2", "3", "4"}));
  EXPECT_TRUE(button("buttonSubmitOTP")->isEnabled());

  clock_->advance(seconds(10));
  QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
  complete("verifyOtp", Dictionary{{"statusCode", 429}}, std::nullopt, 1);
  answerAlert("Ok");
  clock_->advance(seconds(10));
  EXPECT_EQ(label("labelErrorMessage")->text(), "Something went wrong!");
  EXPECT_TRUE(label("labelErrorMessage")->isVisible());
  clock_->advance(seconds(5));
  EXPECT_FALSE(label("labelErrorMessage")->isVisible());
}

// "CANCEL" leaves everything running; "OK" (every close, above) reports and hides the bar.
TEST_F(VerifyOTPViewControllerTests, BackButtonCancelOnlyAfterConfirmation) {
  open(codOrder());
  answerLoad();
  auto* back = navigation_->navigationBar()->findChild<QToolButton*>("buttonBack");
  ASSERT_NE(back, nullptr);
  back->click();
  ASSERT_NE(onlyAlert(), nullptr);
  EXPECT_EQ(onlyAlert()->title(), "Are you sure you want to cancel the payment?");
  answerAlert("CANCEL");
  clock_->advance(seconds(1));
  settle();
  EXPECT_TRUE(delegate_->outcomes.empty());
  EXPECT_EQ(label("labelResend2")->text(), "00:29");
  EXPECT_TRUE(onTopOfStack());
  back->click();
  answerAlert("OK");
  EXPECT_TRUE(navigation_->isNavigationBarHidden());
}

TEST_F(VerifyOTPViewControllerTests, KeyboardSlidesTheScreenUpAndBackToItsRecordedPosition) {
  for (int viewYCo : {0, 64}) {
    SCOPED_TRACE(viewYCo);
    QWidget host;
    host.resize(375, 667);
    auto* screen = new VerifyOTPViewController(codOrder(), false, service_, &host);
    screen->setGeometry(0, viewYCo, 375, 667 - viewYCo);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    ASSERT_EQ(screen->viewYCo(), viewYCo);

    const QRectF keyboard(0, 367, 375, 300);
    screen->keyboardWillShow(keyboard);
    EXPECT_EQ(screen->y(), -300);
    screen->keyboardWillShow(keyboard);
    EXPECT_EQ(screen->y(), -300);
    screen->keyboardWillHide();
    EXPECT_EQ(screen->y(), viewYCo);
    screen->keyboardWillShow(QRectF());
    EXPECT_EQ(screen->y(), 0);
    screen->keyboardWillHide();
    EXPECT_EQ(screen->y(), viewYCo);
  }
}

TEST_F(VerifyOTPViewControllerTests, OrdersWithoutTextUpiAppArePushedAndNeverSeeThrough) {
  for (Dictionary upiApp : {Dictionary(5), Dictionary(nullptr), Dictionary("customweb")}) {
    SCOPED_TRACE(upiApp.dump());
    Dictionary order = codOrder();
    if (upiApp.is_null()) {
      order.erase("upi_app");
    } else {
      order["upi_app"] = upiApp;
    }
    auto* screen = new VerifyOTPViewController(order, false, service_);
    EXPECT_FALSE(screen->isViewLoaded());
    screen_ = screen;
    showNavigation();
    screen->setCheckoutStatusDelegate(delegate_);
    navigation_->pushViewController(screen, true);
    answerLoad();
    EXPECT_EQ(amountLine(), QString::fromUtf8("Pay \u20B91499.00"));
    EXPECT_EQ(screen->navigationController(), navigation_.data());
    closeAll();
  }
}

// Installs a registry of installed apps for one test.
struct ScopedRegistry {
  explicit ScopedRegistry(std::shared_ptr<detail::UrlSchemeRegistry> registry) {
    detail::Application::setUrlSchemeRegistry(std::move(registry));
  }
  ~ScopedRegistry() { detail::Application::setUrlSchemeRegistry(nullptr); }
};

TEST_F(VerifyOTPViewControllerTests, UpiBranchProbesAppsAndPollsTheStatusWithoutOne) {
  auto registry = std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"gpay"});
  ScopedRegistry installed(registry);
  Dictionary order = codOrder();
  order["order_type"] = "upi";
  Dictionary answer = verifiedAnswer();
  answer["uapp"] = {"tez", "upi", "phonepe"};

  open(order);
  answerLoad(answer);
  EXPECT_EQ(registry->probedSchemes(), (std::vector<std::string>{"gpay", "bhim", "phonepe"}));
  EXPECT_EQ(screen_->installedUapp(), std::vector<std::string>{"gpay"});
  EXPECT_EQ(screen_->paymentType(), PaymentType::upi("upi"));
  const Dictionary& event = service_->calls[callIndex("appAnalytics", 1)].params;
  EXPECT_EQ(event["eventType"], "page_load");
  EXPECT_EQ(event["app_count"], 1);
  clock_->advance(seconds(60));
  EXPECT_EQ(callCount("checkPaymentStatus"), 0);
  closeAll();

  // Nothing installed: the QR sub-mode polls every 5 s, up to 24 times.
  registry->uninstall("gpay");
  open(order);
  answerLoad(answer);
  EXPECT_EQ(screen_->paymentType(), PaymentType::upi("qrcode"));
  EXPECT_EQ(screen_->checkPaymentStatusMax(), 24);
  EXPECT_FALSE(child("viewPriceDetails")->isVisible());
  for (int poll = 0; poll < 24; ++poll) {
    clock_->advance(seconds(5));
    ASSERT_EQ(callCount("checkPaymentStatus"), poll + 1);
    EXPECT_TRUE(delegate_->outcomes.empty());
    complete("checkPaymentStatus", Dictionary{{"payment_status", "PENDING"}}, std::nullopt, poll);
  }
  EXPECT_EQ(service_->calls[callIndex("checkPaymentStatus")].params,
            (Dictionary{{"tarvel_oid", "tvl_5kQ9zW"}, {"auth_token", "tok_61c0"}}));
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  EXPECT_FALSE(delegate_->outcomes[0].status);
  EXPECT_EQ(delegate_->outcomes[0].data["payment_status"], "PENDING");
  EXPECT_TRUE(closed());
  clock_->advance(seconds(30));
  EXPECT_EQ(callCount("checkPaymentStatus"), 24);
  closeAll();

  // "PAID" ends it at once.
  open(order);
  answerLoad(answer);
  clock_->advance(seconds(5));
  complete("checkPaymentStatus", Dictionary{{"payment_status", "PAID"}, {"polls", 1}});
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  EXPECT_TRUE(delegate_->outcomes[0].status);
  EXPECT_EQ(delegate_->outcomes[0].data["polls"], 1);
}

}  // namespace
}  // namespace tarvel::test
