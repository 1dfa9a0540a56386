// Pictures of each phase of the UPI screen, at phone size and at a desktop size, written to
// the build folder for people to look at (nothing is compared pixel by pixel).
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "QrCodeImage.h"
#include "UpiScreenTestSupport.h"
#include "tarvel/PaymentOptionView.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::Alert;
using detail::Application;
using test::InstalledSchemesRegistry;

class UpiCheckoutScreenshotTests : public test::UpiScreenTest,
                                   public ::testing::WithParamInterface<QSize> {
 protected:
  // The window as the shopper sees it, with any open alert drawn over a dimmed window.
  QImage picture() {
    QImage image = window_->grab().toImage();
    const auto alerts = Alert::openAlerts();
    if (!alerts.isEmpty()) {
      QPainter painter(&image);
      painter.fillRect(image.rect(), QColor(0, 0, 0, 100));
      Alert* alert = alerts.last();
      alert->adjustSize();
      const QPixmap dialog = alert->grab();
      painter.drawPixmap((image.width() - dialog.width()) / 2,
                         (image.height() - dialog.height()) / 2, dialog);
    }
    return image;
  }

  void save(const char* phase) {
    const QSize size = GetParam();
    QDir().mkpath(TARVEL_SCREENSHOT_DIR);
    const QString path = QStringLiteral("%1/upi-%2-%3x%4.png")
                             .arg(TARVEL_SCREENSHOT_DIR, phase)
                             .arg(size.width())
                             .arg(size.height());
    const QImage image = picture();
    EXPECT_EQ(image.size(), size);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
  }

  UpiCheckoutViewController* openAtSize(const Dictionary& order = {{"order_type", "upi"}}) {
    return open(order, GetParam().width(), GetParam().height());
  }

  static Dictionary answer() {
    Dictionary data = test::verifyAnswer();
    data["uapp"] = {"phonepe", "tez", "paytm", "upi"};
    data["qrCode"] = *sandbox::QrCodeImage::dataUrl(
        "upi://"
        "pay?pa=tarvel.sandbox%40upi&pn=Tarvel%20Sandbox%20Store&am=499.00&tr=tvl_7f3a&cu=INR");
    return data;
  }
};

TEST_P(UpiCheckoutScreenshotTests, EachPhase) {
  QCoreApplication::setApplicationName("Kirana Mart");
  registry_ = std::make_shared<InstalledSchemesRegistry>(
      std::set<std::string>{"phonepe", "gpay", "paytm", "bhim"});
  Application::setUrlSchemeRegistry(registry_);

  openAtSize();
  save("verifying");
  answerVerify(answer());
  save("tiles");
  tapTile(0);
  advance(5s);
  save("polling");
  delete window_;

  service_ = std::make_shared<test::FakeAPIService>();
  openAtSize({{"order_type", "upi"}, {"upi_app", "phonepe"}});
  answerVerify(answer());
  save("direct-launch");
  delete window_;

  service_ = std::make_shared<test::FakeAPIService>();
  registry_ = std::make_shared<InstalledSchemesRegistry>();
  Application::setUrlSchemeRegistry(registry_);
  openAtSize();
  answerVerify(answer());
  save("qr");
  ASSERT_TRUE(backButtonOpensCancelAlert());
  save("cancel-dialog");
}

INSTANTIATE_TEST_SUITE_P(Sizes, UpiCheckoutScreenshotTests,
                         ::testing::Values(QSize(375, 667), QSize(1280, 800)),
                         [](const auto& info) {
                           return std::to_string(info.param.width()) + "x" +
                                  std::to_string(info.param.height());
                         });

}  // namespace
}  // namespace tarvel
