#pragma once

#include <ostream>  // ostream
#include <string>   // string

#include <QCoreApplication>
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

namespace tarvel::test {

/// Compares `actual` with the reviewed picture golden/<name>.png in the source tree, or writes
/// it there when TARVEL_UPDATE_GOLDEN=1 (scripts/update-golden-images.sh). A mismatch is a test
/// failure naming the actual and the difference picture it left in the build folder.
void expectMatchesGolden(const QImage& actual, const QString& name);

/// One row of the golden table: the window size, a phone's or a desktop's, and the language
/// the screens are forced to ("en", their own, or "hi").
struct GoldenCase {
  QSize size;
  std::string language;
};

/// Every state is pictured at both sizes in both languages; the test names read "375x667" in
/// English and "375x667_hi" in Hindi.
inline const auto kGoldenCases =
    ::testing::Values(GoldenCase{QSize(375, 667), "en"}, GoldenCase{QSize(1280, 800), "en"},
                      GoldenCase{QSize(375, 667), "hi"}, GoldenCase{QSize(1280, 800), "hi"});
std::string goldenCaseName(const ::testing::TestParamInfo<GoldenCase>& info);
/// A row in a failure message: "375x667 hi".
void PrintTo(const GoldenCase& row, std::ostream* out);

/// The reviewed picture of `state` of `screen` ("upi", "tiles") in the row's size and language:
/// "upi-tiles-375x667" in English, "upi-tiles-hi-375x667" in another language.
QString goldenName(const char* screen, const char* state, const GoldenCase& row);

/// Forces the row's language on the screens opened while it lives (TarvelCheckout::setLanguage)
/// and follows the application's locale again afterwards.
class ForcedLanguage {
 public:
  explicit ForcedLanguage(const std::string& language);
  ~ForcedLanguage();
  ForcedLanguage(const ForcedLanguage&) = delete;
  ForcedLanguage& operator=(const ForcedLanguage&) = delete;
};

/// Fails when `text` (what went to the platform, to the host or to the log) holds a Devanagari
/// letter: those stay in English whatever the shopper reads.
void expectUntranslated(const std::string& text, const char* what);

/// Moves the pointer off every window, so that no control is pictured under a hovering mouse
/// (the offscreen pointer starts at 0,0, where the back button sits).
void movePointerAway();

/// The window as the shopper sees it: any open alert is drawn centred over a dimmed window, as
/// a window manager would place it. Spinners are stopped at their first frame first.
QImage shopperView(QWidget* window);

/// A screen's fixture run for every row of the golden table, with the shop's name `shop` as
/// the application's (the screens show it) and the row's language forced.
template <typename Fixture>
class GoldenTest : public Fixture, public ::testing::WithParamInterface<GoldenCase> {
 protected:
  explicit GoldenTest(const char* shop) : shop_(shop) {}
  void SetUp() override {
    Fixture::SetUp();
    movePointerAway();
    QCoreApplication::setApplicationName(shop_);
  }
  void TearDown() override {
    Fixture::TearDown();
    QCoreApplication::setApplicationName(testName_);
  }
  // The shopper read the screens' language; the platform and the log get English.
  void expectRequestsAndLogUntranslated() {
    for (const auto& call : this->service_->calls) {
      expectUntranslated(call.params.dump(), "a request");
    }
    expectUntranslated(this->log_.text(), "the log");
  }

  const QString shop_;
  const QString testName_ = QCoreApplication::applicationName();
  const ForcedLanguage language_{this->GetParam().language};
};

}  // namespace tarvel::test
