// Every state of the UPI screen, at phone and at desktop size and in each language, against
// reviewed pictures.
#include "GoldenImage.h"
#include "QrCodeImage.h"
#include "ScreenTestFixture.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

class UpiGoldenTests : public GoldenTest<ScreenTest> {
 protected:
  UpiGoldenTests() : GoldenTest("Kirana Mart") {}

  void openWith(const std::set<std::string>& installed, const Dictionary& order) {
    openUpi(installed, order, GetParam().size);
  }

  void expectState(const char* state) {
    SCOPED_TRACE(state);
    expectMatchesGolden(shopperView(window_), goldenName("upi", state, GetParam()));
  }

  // An alert's action as the shopper reads it.
  static QString action(const char* title) {
    return QCoreApplication::translate("tarvel::UpiCheckoutViewController", title);
  }

  // Four offered apps, three installed; a QR code of fixed content.
  static Dictionary answer() {
    return {{"uapp", {"phonepe", "tez", "paytm", "upi"}},
            {"qrCode", *sandbox::QrCodeImage::dataUrl("upi://pay?pa=tarvel.sandbox%40upi&pn=Kirana"
                                                      "%20Mart&am=499.00&tr=tvl_7f3a&cu=INR")}};
  }

  const std::set<std::string> apps_{"phonepe", "gpay", "paytm", "bhim"};
};

TEST_P(UpiGoldenTests, EveryState) {
  openWith(apps_, {{"order_type", "upi"}});
  expectState("verifying");
  answerVerify(answer());
  expectState("tiles");
  tapTile(0);
  setActive(false);
  setActive(true);
  advance(5s);
  expectState("polling");

  openWith(apps_, {{"order_type", "upi"}, {"upi_app", "phonepe"}});
  answerVerify(answer());
  expectState("direct-launch-waiting");

  openWith({}, {{"order_type", "upi"}});
  answerVerify(answer());
  expectState("no-app-qr");
  upi_->backButton()->click();
  settle();
  expectState("cancel-question");
  ASSERT_TRUE(Alert::openAlerts()[0]->triggerAction(action("CANCEL")));
  advance(5s);
  complete("checkPaymentStatus", std::nullopt, APIError::noNetwork);
  expectState("alert");

  // The shopper read the failure in the screens' language; the host, the platform and the log
  // get the English text.
  ASSERT_TRUE(Alert::openAlerts()[0]->triggerAction(action("Ok")));
  upi_->backButton()->click();
  ASSERT_TRUE(Alert::openAlerts()[0]->triggerAction(action("OK")));
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  EXPECT_EQ(delegate_->outcomes[0].data, (Dictionary{{"error", "No Network"}}));
  expectRequestsAndLogUntranslated();
}

INSTANTIATE_TEST_SUITE_P(Sizes, UpiGoldenTests, kGoldenCases, goldenCaseName);

}  // namespace
}  // namespace tarvel::test
