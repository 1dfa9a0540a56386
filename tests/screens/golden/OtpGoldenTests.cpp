// Every state of the OTP screen, at phone and at desktop size and in each language, against
// reviewed pictures.
#include <chrono>  // seconds

#include <QLabel>
#include <QVBoxLayout>

#include "GoldenImage.h"
#include "ScreenTestFixture.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

class OtpGoldenTests : public GoldenTest<ScreenTest> {
 protected:
  OtpGoldenTests() : GoldenTest("Demo Shop") {}

  // A host screen as a shop would have one, under the screen.
  static ViewController* shopScreen() {
    auto* shop = new ViewController;
    shop->setObjectName("shopScreen");
    shop->setAttribute(Qt::WA_StyledBackground);
    shop->setStyleSheet(
        "#shopScreen { background-color: #FFFFFF; } QLabel { color: #333333; font-size: 16px; }");
    auto* layout = new QVBoxLayout(shop);
    layout->setContentsMargins(24, 24, 24, 24);
    for (const char* line : {"Your cart", "Cotton kurta \xC3\x97 1", "Leather sandals \xC3\x97 1",
                             "Delivery: cash on delivery"}) {
      layout->addWidget(new QLabel(QString::fromUtf8(line), shop));
    }
    layout->addStretch(1);
    return shop;
  }

  void openWith(const QString& upiApp) {
    closeAll();
    showWindow(GetParam().size, shopScreen());
    Dictionary order = codOrder();
    order["tarvel_oid"] = "tvl_5kQ9zW";
    order["upi_app"] = upiApp.toStdString();
    openOtp(order, GetParam().size);
  }

  void expectState(const char* state) {
    SCOPED_TRACE(state);
    settle();
    expectMatchesGolden(shopperView(window_), goldenName("otp", state, GetParam()));
  }
};

TEST_P(OtpGoldenTests, EveryState) {
  QApplication::setCursorFlashTime(0);  // a steady cursor: every picture shows it
  openWith("paytm");
  expectState("verifying");
  answerLoad();
  field(1)->setFocus();
  typeText("48");
  expectState("entry");

  typeText("21");
  QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
  complete("verifyOtp", Dictionary{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}});
  expectState("wrong-otp");
  answerAlert(QCoreApplication::translate("tarvel::VerifyOTPViewController", "Ok"));
  // The rejected OTP was shown in the screens' language; what the platform got stays English.
  expectRequestsAndLogUntranslated();
  clock_->advance(30s);
  expectState("resend");

  openWith("");
  answerLoad();
  field(1)->setFocus();
  expectState("sheet");
}

INSTANTIATE_TEST_SUITE_P(Sizes, OtpGoldenTests, kGoldenCases, goldenCaseName);

}  // namespace
}  // namespace tarvel::test
