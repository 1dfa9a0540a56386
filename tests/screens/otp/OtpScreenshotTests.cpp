// Screenshots of the OTP screen's states at phone and desktop size, written to the build
// folder for people to look at (not compared with anything).
#include <chrono>  // seconds

#include <QDir>
#include <QVBoxLayout>

#include "OtpScreenFixture.h"

namespace tarvel::test {
namespace {

class OtpScreenshotTests : public OtpScreenFixture {
 public:
  // A host screen as a shop would have one, under the presented screen.
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

  void save(const QString& state, QSize size) {
    const QString folder = QStringLiteral(TARVEL_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    settle();
    const QImage shot = navigation_->grab().toImage();
    EXPECT_EQ(shot.size(), size);
    const QString name =
        QString("%1/otp-%2-%3x%4.png").arg(folder, state).arg(size.width()).arg(size.height());
    EXPECT_TRUE(shot.save(name)) << name.toStdString();
  }

  void openIn(QSize size, const Dictionary& order) {
    showNavigation(size, shopScreen());
    Dictionary withId = order;
    withId["tarvel_oid"] = "tvl_5kQ9zW";
    open(withId, size);
  }
};

TEST_F(OtpScreenshotTests, EveryStateAtPhoneAndDesktopSize) {
  const QString testName = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName("Demo Shop");
  for (QSize size : {QSize(375, 667), QSize(1280, 800)}) {
    SCOPED_TRACE(size.width());
    openIn(size, codOrder());
    save("verifying", size);

    answerLoad();
    field(1)->setFocus();
    typeText("48");
    save("entry", size);

    typeText("21");
    clock_->advance(std::chrono::seconds(18));
    save("countdown", size);

    QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
    complete("verifyOtp", Dictionary{{"statusCode", 400}, {"statusMessage", "Invalid OTP"}});
    const QImage alert = onlyAlert()->grab().toImage();
    EXPECT_TRUE(alert.save(QString("%1/otp-error-alert-%2.png")
                               .arg(QStringLiteral(TARVEL_SCREENSHOT_DIR))
                               .arg(size.width())));
    answerAlert("Ok");
    clock_->advance(std::chrono::seconds(12));
    save("error", size);
    closeAll();

    Dictionary modal = codOrder();
    modal["upi_app"] = "";
    openIn(size, modal);
    answerLoad();
    field(1)->setFocus();
    typeText("7");
    save("modal", size);
    closeAll();
  }
  QCoreApplication::setApplicationName(testName);
}

}  // namespace
}  // namespace tarvel::test
