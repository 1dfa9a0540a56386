// The screens' language, and every state of both native screens, at phone and at desktop size and
// in each language, against reviewed pictures:
// golden/<screen>-<state>-[<language>-]<width>x<height>.png, rewritten by TARVEL_UPDATE_GOLDEN=1
// (scripts/update-golden-images.sh). A mismatch is a failure naming the actual and the difference
// picture it left in the build folder.
#include <algorithm>  // any_of, max
#include <cstdlib>    // abs, setenv

#include <QAbstractAnimation>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QTranslator>
#include <QVBoxLayout>

#include "QrCodeImage.h"
#include "QtTestMain.h"
#include "ScreenTestFixture.h"
#include "platform/ShopperLanguage.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel::test {

// The golden-picture process renders the same on every machine: one scale, 96 dpi, and a
// private fontconfig that knows only the DejaVu faces of Debian's fonts-dejavu-core (the
// fallback for the rupee sign and the default UI font) and Noto Sans Devanagari of
// fonts-noto-core (Hindi) next to the component's own Metropolis faces, whatever else the
// machine has installed.
std::shared_ptr<void> prepareTestProcess() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_SCALE_FACTOR", "1", 1);
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  setenv("QT_FONT_DPI", "96", 1);
  setenv("FONTCONFIG_FILE", TARVEL_GOLDEN_FONTCONFIG, 1);
  return nullptr;
}

namespace {

using namespace std::chrono_literals;

// Rendering is pinned (fonts, scale, frozen animations), so a run on this machine repeats its
// pictures exactly. The tolerance is for other machines only: Qt's raster engine blends
// anti-aliased edges with different SIMD code on different CPUs, which moves a channel by a
// few levels, and a glyph edge may round onto its neighbour pixel. A real change (a moved or
// recoloured text, a line, a cursor, a shadow) moves dozens of pixels by far more than that.
constexpr int kChannelTolerance = 8;
constexpr int kDifferingPixelsAllowed = 8;

// Compares `actual` with the reviewed picture `name`, or writes it in updating mode. A mismatch
// leaves the actual picture and the differing pixels in red over a faded copy of the expected.
void expectMatchesGolden(const QImage& actual, const QString& name) {
  const QString expectedPath = QStringLiteral(TARVEL_GOLDEN_DIR "/%1.png").arg(name);
  if (qEnvironmentVariable("TARVEL_UPDATE_GOLDEN") == "1") {
    EXPECT_TRUE(actual.save(expectedPath)) << expectedPath.toStdString();
    return;
  }
  const QImage expected = QImage(expectedPath).convertToFormat(QImage::Format_ARGB32);
  QDir().mkpath(TARVEL_GOLDEN_FAILURE_DIR);
  const QString actualPath = QStringLiteral(TARVEL_GOLDEN_FAILURE_DIR "/%1-actual.png").arg(name);
  const QString diffPath = QStringLiteral(TARVEL_GOLDEN_FAILURE_DIR "/%1-diff.png").arg(name);
  QFile::remove(actualPath);
  QFile::remove(diffPath);
  if (expected.size() != actual.size()) {
    actual.save(actualPath);
    ADD_FAILURE() << name.toStdString() << ": no reviewed picture of size " << actual.width() << "x"
                  << actual.height() << " at " << expectedPath.toStdString()
                  << "; actual: " << actualPath.toStdString();
    return;
  }
  QImage diff = expected;
  QPainter(&diff).fillRect(diff.rect(), QColor(255, 255, 255, 200));
  int differing = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb a = expected.pixel(x, y), b = actual.pixel(x, y);
      if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                    std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))}) >
          kChannelTolerance) {
        diff.setPixel(x, y, qRgb(255, 0, 0));
        ++differing;
      }
    }
  }
  if (differing <= kDifferingPixelsAllowed) return;
  actual.save(actualPath);
  diff.save(diffPath);
  ADD_FAILURE() << name.toStdString() << ": " << differing << " pixels differ by more than "
                << kChannelTolerance << " from " << expectedPath.toStdString()
                << "\n  actual: " << actualPath.toStdString()
                << "\n  difference: " << diffPath.toStdString();
}

// The window as the shopper sees it: spinners stopped at their first frame and one-off
// transitions ended, so that a picture never catches an animation half-way, and any open
// alert drawn centred over the dimmed window, as a window manager would place it.
QImage shopperView(QWidget* window) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QAbstractAnimation* animation : top->findChildren<QAbstractAnimation*>()) {
      if (animation->state() != QAbstractAnimation::Running) continue;
      if (animation->loopCount() < 0) {
        animation->pause();
        animation->setCurrentTime(0);
      } else {
        animation->setCurrentTime(animation->totalDuration());
      }
    }
  }
  QImage image = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  if (!Alert::openAlerts().isEmpty()) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(0, 0, 0, 100));
    Alert* alert = Alert::openAlerts().last();
    alert->adjustSize();
    const QImage dialog = alert->grab().toImage();
    painter.drawImage((image.width() - dialog.width()) / 2, (image.height() - dialog.height()) / 2,
                      dialog);
  }
  return image;
}

// One row of the golden table: the window size, a phone's or a desktop's, and the language the
// screens are forced to ("en", their own, or "hi"). Test names read "375x667" in English and
// "375x667_hi" in Hindi.
struct GoldenCase {
  QSize size;
  std::string language;
};
std::string goldenCaseName(const ::testing::TestParamInfo<GoldenCase>& info) {
  const GoldenCase& row = info.param;
  return std::to_string(row.size.width()) + "x" + std::to_string(row.size.height()) +
         (row.language == "en" ? "" : "_" + row.language);
}
const auto kGoldenCases =
    ::testing::Values(GoldenCase{QSize(375, 667), "en"}, GoldenCase{QSize(1280, 800), "en"},
                      GoldenCase{QSize(375, 667), "hi"}, GoldenCase{QSize(1280, 800), "hi"});

// A screen's fixture run for every row, with the shop's name `shop` as the application's (the
// screens show it) and the row's language forced on the screens.
class GoldenTest : public ScreenTest, public ::testing::WithParamInterface<GoldenCase> {
 protected:
  GoldenTest(const char* screen, const char* shop) : screen_(screen), shop_(shop) {}
  void SetUp() override {
    ScreenTest::SetUp();
    TarvelCheckout::setLanguage(GetParam().language);
    QCursor::setPos(-1000, -1000);  // no control under a hovering pointer (0,0: the back button)
    QCoreApplication::setApplicationName(shop_);
  }
  void TearDown() override {
    ScreenTest::TearDown();
    QCoreApplication::setApplicationName(testName_);
    TarvelCheckout::setLanguage("");
  }
  // "upi-tiles-375x667" in English, "upi-tiles-hi-375x667" in another language.
  void expectState(const char* state) {
    SCOPED_TRACE(state);
    settle();
    const GoldenCase& row = GetParam();
    const QString language =
        row.language == "en" ? QString() : QString::fromStdString(row.language) + '-';
    expectMatchesGolden(shopperView(window_), QStringLiteral("%1-%2-%3%4x%5")
                                                  .arg(screen_, state, language)
                                                  .arg(row.size.width())
                                                  .arg(row.size.height()));
  }
  // The shopper read the screens' language; the platform, the host and the log get English.
  void expectRequestsAndLogUntranslated() {
    std::vector<std::string> texts = {log_.text()};
    for (const auto& call : service_->calls) texts.push_back(call.params.dump());
    for (const auto& outcome : delegate_->outcomes) texts.push_back(outcome.data.dump());
    for (const std::string& text : texts) {
      const QString read = QString::fromStdString(text);
      EXPECT_FALSE(std::any_of(read.begin(), read.end(),
                               [](QChar c) { return c.script() == QChar::Script_Devanagari; }))
          << "translated text: " << text;
    }
  }

  const QString screen_, shop_;
  const QString testName_ = QCoreApplication::applicationName();
};

class UpiGoldenTests : public GoldenTest {
 protected:
  UpiGoldenTests() : GoldenTest("upi", "Kirana Mart") {}
  // Four offered apps, three installed (of four); a QR code of fixed content.
  void answer() {
    answerVerify(
        {{"uapp", {"phonepe", "tez", "paytm", "upi"}},
         {"qrCode", *sandbox::QrCodeImage::dataUrl("upi://pay?pa=tarvel.sandbox%40upi&pn=Kirana"
                                                   "%20Mart&am=499.00&tr=tvl_7f3a&cu=INR")}});
  }
  // Taps an alert's action as the shopper reads it.
  static void tap(const char* title) {
    ASSERT_TRUE(Alert::openAlerts()[0]->triggerAction(
        QCoreApplication::translate("tarvel::UpiCheckoutViewController", title)));
  }
  const std::set<std::string> apps_{"phonepe", "gpay", "paytm", "bhim"};
};

TEST_P(UpiGoldenTests, EveryState) {
  openUpi(apps_, {{"order_type", "upi"}}, GetParam().size);
  expectState("verifying");
  answer();
  expectState("tiles");
  tapTile(0);
  setActive(false);
  setActive(true);
  advance(5s);
  expectState("polling");

  openUpi(apps_, {{"order_type", "upi"}, {"upi_app", "phonepe"}}, GetParam().size);
  answer();
  expectState("direct-launch-waiting");

  openUpi({}, {{"order_type", "upi"}}, GetParam().size);
  answer();
  expectState("no-app-qr");
  upi_->backButton()->click();
  expectState("cancel-question");
  tap("CANCEL");
  advance(5s);
  complete("checkPaymentStatus", std::nullopt, APIError::noNetwork);
  expectState("alert");

  tap("Ok");
  upi_->backButton()->click();
  tap("OK");
  ASSERT_EQ(delegate_->outcomes.size(), 1u);
  EXPECT_EQ(delegate_->outcomes[0].data, (Dictionary{{"error", "No Network"}}));
  expectRequestsAndLogUntranslated();
}

class OtpGoldenTests : public GoldenTest {
 protected:
  OtpGoldenTests() : GoldenTest("otp", "Demo Shop") {}
  // The screen over a host screen as a shop would have one, its OTP sent and the order
  // verified.
  void open(const char* upiApp) {
    closeAll();
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
    showWindow(GetParam().size, shop);
    Dictionary order = codOrder();
    order["tarvel_oid"] = "tvl_5kQ9zW";
    order["upi_app"] = upiApp;
    openOtp(order, GetParam().size);
  }
};

TEST_P(OtpGoldenTests, EveryState) {
  QApplication::setCursorFlashTime(0);  // a steady cursor: every picture shows it
  open("paytm");
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

  open("");
  answerLoad();
  field(1)->setFocus();
  expectState("sheet");
}

INSTANTIATE_TEST_SUITE_P(Sizes, UpiGoldenTests, kGoldenCases, goldenCaseName);
INSTANTIATE_TEST_SUITE_P(Sizes, OtpGoldenTests, kGoldenCases, goldenCaseName);

// The screens' language: the application's locale, a forced one, a host's own file; the host's
// translator stays installed through every change.
TEST(ShopperLanguageTests, FollowsTheLocaleUnlessForcedAndKeepsTheHostsTranslator) {
  const QLocale hostLocale;
  QTranslator shop;
  ASSERT_TRUE(shop.load(QStringLiteral(TARVEL_TEST_TRANSLATIONS "/shop_ta.qm")));
  QCoreApplication::installTranslator(&shop);
  TarvelCheckout::addTranslationDirectory(TARVEL_TEST_TRANSLATIONS);

  struct Row {
    const char* locale;
    const char* forced;
    const char* shown;
  };
  const Row rows[] = {
      {"hi_IN", "", "नेटवर्क नहीं है"},     // the application's locale
      {"de_DE", "", "No Network"},      // no translation: English
      {"en_US", "hi", "नेटवर्क नहीं है"},   // forced
      {"hi_IN", "en", "No Network"},    // forced back to English
      {"hi_IN", "ta", "நெட்வொர்க் இல்லை"},  // the host's own file
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " forced '" + row.forced + "'");
    QLocale::setDefault(QLocale(QString::fromLatin1(row.locale)));
    TarvelCheckout::setLanguage(row.forced);
    detail::ShopperLanguage::apply();
    EXPECT_EQ(detail::ShopperLanguage::message("No Network"), QString::fromUtf8(row.shown));
    EXPECT_EQ(QCoreApplication::translate("Shop", "Cart"), QStringLiteral("கூடை"));
  }

  QCoreApplication::removeTranslator(&shop);
  TarvelCheckout::setLanguage("");
  QLocale::setDefault(hostLocale);
  detail::ShopperLanguage::apply();
}

}  // namespace
}  // namespace tarvel::test
