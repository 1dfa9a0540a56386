// The OTP screen on real widgets (offscreen) with a fake service and the manual clock: the
// decision after verification, every way it closes, submission and errors. How each state
// looks is pictured by the golden tests. And the four digit fields under real key events. (The
// entry routes only cash-on-delivery orders here: the screen's branch for a UPI order is no
// flow's.)
#include <functional>  // function
#include <map>         // map
#include <sstream>     // istringstream

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QToolButton>

#include "../ScreenTestFixture.h"
#include "LoopbackAPIService.h"
#include "LoopbackServer.h"
#include "platform/ActivityIndicator.h"
#include "tarvel/OTPVerifyDelegate.h"

namespace tarvel::test {
namespace {

// The verify answers of the steps below. A present "otp_verified" (whatever its value) or a
// verified shopper ends the flow; a failed heading wins over both; only that exact heading, in
// a "msg" object, is a failure.
const std::map<std::string, Dictionary> kAnswers = {
    {"verify", Dictionary::object()},                  // the OTP panel opens
    {"verify+", {{"merchant_user_verified", true}}},   // success
    {"verifyOtp", {{"otp_verified", false}}},          // success
    {"verify-", {{"msg", {{"heading", "Failed!"}}}}},  // failure
    {"verify-+", {{"msg", {{"heading", "Failed!"}}}, {"merchant_user_verified", true}}},
    {"verifyText", {{"msg", "Failed!"}}}};  // the OTP panel opens

class VerifyOTPViewControllerTests : public ScreenTest {
 public:
  // The back button as the shopper sees it: on the sheet itself when presented.
  void tapBack() {
    auto* back = qobject_cast<QToolButton*>(otp_->leftNavigationItem());
    ASSERT_TRUE(back && back->isVisible());
    back->click();
    settle();
  }
  QLabel* errorLabel() const { return child<QLabel>("labelErrorMessage"); }
  void submitDigits(const QString& digits) {
    field(1)->setFocus();
    typeText(digits);
    QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
    settle();
  }
  // Runs `steps`, words separated by spaces: "sent" answers the OTP's sending, a word of
  // kAnswers the order's verification; "submit" types and submits 1234, which "accept" or
  // "reject" answers; "esc" and "back" ask to cancel; "load404" fails both calls of the load and
  // "resend404" the resend; any other word is the action tapped on the one alert.
  void run(const std::string& steps) {
    const Dictionary sent = {{"message", "OTP sent"}}, accepted = {{"statusCode", 200}};
    const Dictionary rejected = {{"statusCode", 400}, {"statusMessage", "Invalid OTP"}};
    const std::map<std::string, std::function<void()>> actions = {
        {"sent", [&] { complete("sendOtp", sent); }},
        {"submit", [&] { submitDigits("1234"); }},
        {"accept", [&] { complete("verifyOtp", accepted); }},
        {"reject", [&] { complete("verifyOtp", rejected); }},
        {"esc", [&] { typeKey(Qt::Key_Escape); }},
        {"back", [&] { tapBack(); }},
        {"load404",
         [&] {
           complete("sendOtp", std::nullopt, APIError::noNetwork);
           complete("verifyPaymentData", std::nullopt, APIError::noNetwork);
         }},
        {"resend404",
         [&] {
           otp_->resendOTPOption();
           complete("reSendOtp", std::nullopt, APIError::dataNotFound);
         }},
    };
    std::istringstream words(steps);
    for (std::string word; words >> word;) {
      if (actions.count(word)) {
        actions.at(word)();
      } else if (kAnswers.count(word)) {
        answerVerify(kAnswers.at(word));
      } else {
        answerAlert(QString::fromStdString(word));
      }
    }
  }
  // The fields' texts, "." for an empty one: "1.3.".
  QString shownTexts() const {
    QString shown;
    for (int n = 1; n <= 4; ++n) shown += field(n)->text().isEmpty() ? "." : field(n)->text();
    return shown;
  }
};

// Over the real network: an answer whose "merchant_user_verified" is not a boolean counts as
// false, so the OTP panel opens (instead of the spinner running for ever).
TEST_F(VerifyOTPViewControllerTests, MerchantVerifiedThatIsNotABooleanCountsAsFalse) {
  for (const Dictionary& merchant : {Dictionary(), Dictionary("true")}) {
    SCOPED_TRACE(merchant.dump());
    Dictionary answer = verifyAnswer();
    answer.erase("merchant_user_verified");
    if (!merchant.is_null()) answer["merchant_user_verified"] = merchant;
    LoopbackServer server;
    server.answerJson("POST", "/v1/order/verify", 200, Dictionary{{"data", answer}}.dump());
    server.answerJson("POST", "/v1/user/send-otp", 200, R"({"data": {"message": "OTP sent"}})");
    ASSERT_TRUE(server.start());
    openOtp(codOrder(), {375, 667}, std::make_shared<LoopbackAPIService>(server.baseUrl()));
    EXPECT_TRUE(processEventsUntil([&] { return child("viewCODContainer")->isVisible(); }));
    auto* spinner = child<detail::ActivityIndicator>("activityIndicatorWithoutOTP");
    EXPECT_FALSE(spinner->isAnimating() && !spinner->isHidden());
    EXPECT_EQ(log_.count("\"merchant_user_verified\" is missing or not a boolean: taken as false"),
              1u);
    EXPECT_TRUE(delegate_->outcomes.empty());
    closeAll();
  }
}

// Every close, pushed and presented, reports once, pops or dismisses, hides the bar again and
// takes the screen's alerts with it: the shopper may be reading a question (cancel?) or an
// error when the platform's answer ends the checkout. "CANCEL" on the question changes nothing;
// late presses after the outcome change nothing.
TEST_F(VerifyOTPViewControllerTests, EveryCloseReportsOnceAndTakesItsAlertsAlong) {
  struct Path {
    const char* steps;
    bool status;
    Dictionary data;  // null: not checked
  };
  const Path paths[] = {{"sent verify back CANCEL submit accept", true, nullptr},
                        {"sent verify esc OK", false, Dictionary::object()},
                        {"sent verify submit reject Ok back OK", false, {{"error", "Invalid OTP"}}},
                        {"sent verify-", false, verifyAnswer(kAnswers.at("verify-"))},
                        {"sent verify+", true, verifyAnswer(kAnswers.at("verify+"))},
                        {"sent verifyOtp", true, verifyAnswer(kAnswers.at("verifyOtp"))},
                        {"sent verify-+", false, verifyAnswer(kAnswers.at("verify-+"))},
                        {"sent verifyText submit accept", true, nullptr},
                        {"sent back verify+", true, nullptr},   // over the cancel question
                        {"back sent verify-", false, nullptr},  // over the cancel question
                        {"sent verify submit resend404 accept", true, nullptr},  // over an error
                        // Both calls of the load fail: one alert, and the way out still there.
                        {"load404 Ok back OK", false, {{"error", "No Network"}}}};
  for (const char* upiApp : {"paytm", ""}) {
    for (const Path& path : paths) {
      SCOPED_TRACE(std::string(path.steps) + ", upi_app \"" + upiApp + "\"");
      Dictionary order = codOrder();
      order["upi_app"] = upiApp;
      openOtp(order);
      ASSERT_EQ(window_->presentedViewController() == otp_.data(), *upiApp == '\0');
      run(path.steps);
      if (otp_) otp_->backButtonClick();
      settle();
      ASSERT_EQ(delegate_->outcomes.size(), 1u);
      EXPECT_EQ(delegate_->outcomes[0].status, path.status);
      EXPECT_EQ(path.data.is_null() ? path.data : delegate_->outcomes[0].data, path.data);
      EXPECT_TRUE(otp_.isNull() && !window_->presentedViewController() &&
                  window_->viewControllers().size() == 1);
      EXPECT_EQ(callCount("verifyPaymentData"), 1u) << "loaded once";
      EXPECT_TRUE(window_->isNavigationBarHidden());
      EXPECT_TRUE(Alert::openAlerts().isEmpty());
      closeAll();
    }
  }
}

struct Listener : OTPVerifyDelegate {
  void otpVerified(bool verified) override { calls.push_back(verified); }
  std::vector<bool> calls;
};

// (What each request of the load carries is the view models' test; the answers may come in any
// order: the digit entry's test.) A field left empty sends nothing.
TEST_F(VerifyOTPViewControllerTests, SubmissionSendsTheJoinedDigitsOnceAndReportsTheAcceptedOtp) {
  auto listener = std::make_shared<Listener>();
  openOtp(codOrder())->setOtpVerifyDelegate(listener);
  answerLoad();
  for (int n = 1; n <= 4; ++n) field(n)->setText(n == 3 ? "" : QString::number(n));
  otp_->submitOTPOption();
  answerAlert("Ok", "Please enter OTP");
  EXPECT_EQ(callCount("verifyOtp"), 0u);

  submitDigits("1234");
  ASSERT_EQ(callCount("verifyOtp"), 1u);
  EXPECT_EQ(params("verifyOtp"),
            (Dictionary{{"phone", "9876500042"}, {"moid", "moid-R4nd0mK3y"}, {"otp", "1234"}}));
  // A second tap or Return while the verification runs sends nothing.
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  otp_->submitOTPOption();
  otp_->setFocus();
  typeKey(Qt::Key_Return);
  EXPECT_EQ(callCount("verifyOtp"), 1u);

  run("accept");
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  EXPECT_TRUE(delegate_->outcomes[0].status);
  EXPECT_EQ(delegate_->outcomes[0].data, verifyAnswer({{"otp_verified", true}}));
  EXPECT_EQ(listener->calls, std::vector<bool>{true});
}

// Errors show in the alert and under the fields (gone after a while: the golden resend state).
// Only a "statusCode" of the
// number 200 accepts the OTP; a refused one stays in the fields, ready to be sent again.
TEST_F(VerifyOTPViewControllerTests, ErrorsShowInTheAlertAndInTheLabel) {
  const char* const wrong = "Something went wrong!";
  const std::pair<Dictionary, const char*> rows[] = {
      {{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}}, "Invalid OTP"},
      {{{"statusCode", "200"}, {"statusMessage", "Invalid OTP"}}, "Invalid OTP"},
      {{{"statusCode", 200.5}}, wrong},
      {{{"statusCode", 401}, {"statusMessage", 5}}, wrong},
      {nullptr, "Data Not Found"}};  // the resend fails
  for (const auto& [otpAnswer, message] : rows) {
    SCOPED_TRACE(otpAnswer.dump());
    openOtp(codOrder());
    answerLoad();
    if (otpAnswer.is_null()) {
      run("resend404");
      EXPECT_EQ(params("reSendOtp"), params("sendOtp")) << "the resend sends the same request";
    } else {
      submitDigits("1234");
      complete("verifyOtp", otpAnswer);
      EXPECT_EQ(shownTexts(), "1234");
      EXPECT_TRUE(button("buttonSubmitOTP")->isEnabled());
    }
    answerAlert("Ok", message);
    EXPECT_EQ(errorLabel()->text(), message);
    EXPECT_TRUE(errorLabel()->isVisible());
    EXPECT_TRUE(delegate_->outcomes.empty());
    closeAll();
  }
}

// The four digit fields under real key events: typing, corrections, pastes, one-time codes,
// and the submit button that follows them.
using OtpDigitEntryTests = VerifyOTPViewControllerTests;

TEST_F(OtpDigitEntryTests, EditsMoveTheFocusAndFillTheFields) {
  struct Row {
    const char* before;
    int focus;
    // t: type, b: backspace, d: Home then Delete, p: paste, i: input method commit, s: set field 1
    const char* act;
    const char* after;
    int focusAfter;  // 0: the focus has left the digit fields
    bool submitEnabled;
  };
  const Row rows[] = {
      {"....", 1, "t1234", "1234", 0, true},
      {"....", 1, "ta- ", "....", 1, false},  // a letter, a symbol or a space is refused
      // Digits of other scripts become ASCII: Devanagari 1, Arabic-Indic 2, full-width 3.
      {"....", 1, "t\u0967\u0662\uFF13", "123.", 4, false},
      {"12..", 2, "t7", "17..", 3, false},  // a key over a digit replaces it
      {"12..", 3, "b", "1...", 2, false},   // in an empty field: empties the one before
      {"123.", 3, "b", "12..", 2, false},   // over a digit: removes that digit only
      {"1...", 1, "b", "....", 1, false},
      {"....", 1, "b", "....", 0, false},
      {"123.", 2, "d", "1.3.", 1, false},   // a deletion is a backspace too
      {"1.34", 2, "p12", "1124", 4, true},  // a pasted pair fills from the field it lands in
      {"....", 1, "pCode: 48 21.", "4821", 0, true},  // a message gives up its digits
      {"....", 1, "p482173", "4821", 0, true},        // digits past the fourth are dropped
      {"....", 3, "p4821", "..48", 0, false},         // a code in another field fills from there
      {"1...", 2, "pabc", "1...", 2, false},          // a paste without digits is refused
      {"....", 1, "i\u0664\u0668\u0662\u0661", "4821", 0, true},  // an input method's code
      {"....", 1, "s4 8 2 1", "4821", 0, true},                   // a text set on a field
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.before) + " " + row.act);
    // The OTP panel with the fields holding `before` ("1.3." : "1", "", "3", "").
    openOtp(codOrder());
    answerLoad();
    for (int n = 1; n <= 4; ++n)
      field(n)->setText(row.before[n - 1] == '.' ? "" : QString(row.before[n - 1]));
    otp_->buttonInteraction();
    field(row.focus)->setFocus();
    settle();
    ASSERT_EQ(focusedField(), row.focus);
    const QString text = QString::fromUtf8(row.act + 1);
    if (row.act[0] == 't') typeText(text);
    if (row.act[0] == 'b') typeKey(Qt::Key_Backspace);
    if (row.act[0] == 'd') {
      typeKey(Qt::Key_Home);
      typeKey(Qt::Key_Delete);
    }
    if (row.act[0] == 'p') {
      QGuiApplication::clipboard()->setText(text);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
      settle();
    }
    if (row.act[0] == 's') field(1)->setText(text);
    if (row.act[0] == 'i') {
      QInputMethodEvent event;
      event.setCommitString(text);
      QApplication::sendEvent(QApplication::focusWidget(), &event);
      settle();
    }
    EXPECT_EQ(shownTexts(), row.after);
    EXPECT_EQ(focusedField(), row.focusAfter);
    EXPECT_EQ(button("buttonSubmitOTP")->isEnabled(), row.submitEnabled);
    closeAll();
  }
}

TEST_F(OtpDigitEntryTests, FieldsWaitForTheOtpToBeSent) {
  openOtp(codOrder());
  answerVerify();
  field(1)->setFocus();
  typeText("1234");
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  complete("sendOtp", Dictionary{{"message", "OTP sent"}});
  EXPECT_TRUE(button("buttonSubmitOTP")->isEnabled());
}

}  // namespace
}  // namespace tarvel::test
