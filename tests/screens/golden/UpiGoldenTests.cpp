// Every state of the UPI screen, at phone and at desktop size, against reviewed pictures.
#include "GoldenImage.h"
#include "QrCodeImage.h"
#include "UpiScreenTestSupport.h"

namespace tarvel::test {
namespace {

using namespace std::chrono_literals;

class UpiGoldenTests : public UpiScreenTest, public ::testing::WithParamInterface<QSize> {
 protected:
  void SetUp() override {
    UpiScreenTest::SetUp();
    movePointerAway();
    QCoreApplication::setApplicationName("Kirana Mart");
  }
  void TearDown() override {
    UpiScreenTest::TearDown();
    QCoreApplication::setApplicationName(testName_);
  }

  void openWith(const std::set<std::string>& installed, const Dictionary& order) {
    delete window_;
    service_ = std::make_shared<FakeAPIService>();
    registry_ = std::make_shared<InstalledSchemesRegistry>(installed);
    Application::setUrlSchemeRegistry(registry_);
    open(order, GetParam().width(), GetParam().height());
  }

  void expectState(const char* state) {
    SCOPED_TRACE(state);
    expectMatchesGolden(
        shopperView(window_),
        QStringLiteral("upi-%1-%2x%3").arg(state).arg(GetParam().width()).arg(GetParam().height()));
  }

  // Four offered apps, three installed; a QR code of fixed content.
  static Dictionary answer() {
    Dictionary data = verifyAnswer();
    data["uapp"] = {"phonepe", "tez", "paytm", "upi"};
    data["qrCode"] = *sandbox::QrCodeImage::dataUrl(
        "upi://pay?pa=tarvel.sandbox%40upi&pn=Kirana%20Mart&am=499.00&tr=tvl_7f3a&cu=INR");
    return data;
  }

  const std::set<std::string> apps_{"phonepe", "gpay", "paytm", "bhim"};
  const QString testName_ = QCoreApplication::applicationName();
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
  ASSERT_NE(backButtonOpensCancelAlert(), nullptr);
  expectState("cancel-question");
  ASSERT_TRUE(Alert::openAlerts()[0]->triggerAction("CANCEL"));
  advance(5s);
  service_->complete(callsNamed("checkPaymentStatus").at(0), std::nullopt, APIError::noNetwork);
  settle();
  expectState("alert");
}

INSTANTIATE_TEST_SUITE_P(Sizes, UpiGoldenTests, kGoldenSizes, goldenSizeName);

}  // namespace
}  // namespace tarvel::test
