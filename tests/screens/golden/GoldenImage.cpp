#include "GoldenImage.h"

#include <algorithm>  // any_of, max
#include <cstdlib>    // abs

#include <QAbstractAnimation>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/Alert.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel::test {
namespace {

// Rendering is pinned (fonts, scale, frozen animations), so a run on this machine repeats its
// pictures exactly. The tolerance is for other machines only: Qt's raster engine blends
// anti-aliased edges with different SIMD code on different CPUs, which moves a channel by a
// few levels, and a glyph edge may round onto its neighbour pixel. A real change (a moved or
// recoloured text, a line, a cursor, a shadow) moves dozens of pixels by far more than that.
constexpr int kChannelTolerance = 8;
constexpr int kDifferingPixelsAllowed = 8;

bool update() { return qEnvironmentVariable("TARVEL_UPDATE_GOLDEN") == "1"; }

int channelDifference(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

// Differing pixels in red over a faded copy of the expected picture.
QImage differenceImage(const QImage& expected, const QImage& actual, int* differing) {
  QImage diff = expected.convertToFormat(QImage::Format_ARGB32);
  QPainter(&diff).fillRect(diff.rect(), QColor(255, 255, 255, 200));
  *differing = 0;
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      if (channelDifference(expected.pixel(x, y), actual.pixel(x, y)) > kChannelTolerance) {
        diff.setPixel(x, y, qRgb(255, 0, 0));
        ++*differing;
      }
    }
  }
  return diff;
}

// Stops every spinner at its first frame and ends every one-off transition, so that a picture
// never catches an animation half-way.
void settleAnimations() {
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
}

}  // namespace

std::string goldenCaseName(const ::testing::TestParamInfo<GoldenCase>& info) {
  const GoldenCase& row = info.param;
  return std::to_string(row.size.width()) + "x" + std::to_string(row.size.height()) +
         (row.language == "en" ? "" : "_" + row.language);
}

void PrintTo(const GoldenCase& row, std::ostream* out) {
  *out << row.size.width() << 'x' << row.size.height() << ' ' << row.language;
}

QString goldenName(const char* screen, const char* state, const GoldenCase& row) {
  const QString language =
      row.language == "en" ? QString() : QString::fromStdString(row.language) + '-';
  return QStringLiteral("%1-%2-%3%4x%5")
      .arg(QLatin1String(screen), QLatin1String(state), language)
      .arg(row.size.width())
      .arg(row.size.height());
}

ForcedLanguage::ForcedLanguage(const std::string& language) {
  TarvelCheckout::setLanguage(language);
}

ForcedLanguage::~ForcedLanguage() { TarvelCheckout::setLanguage(""); }

void expectUntranslated(const std::string& text, const char* what) {
  const QString read = QString::fromStdString(text);
  const bool devanagari = std::any_of(
      read.begin(), read.end(), [](QChar c) { return c.script() == QChar::Script_Devanagari; });
  EXPECT_FALSE(devanagari) << what << " holds translated text: " << text;
}

void movePointerAway() { QCursor::setPos(-1000, -1000); }

QImage shopperView(QWidget* window) {
  settleAnimations();
  QImage image = window->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const auto alerts = detail::Alert::openAlerts();
  if (!alerts.isEmpty()) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(0, 0, 0, 100));
    detail::Alert* alert = alerts.last();
    alert->adjustSize();
    const QImage dialog = alert->grab().toImage();
    painter.drawImage((image.width() - dialog.width()) / 2, (image.height() - dialog.height()) / 2,
                      dialog);
  }
  return image;
}

void expectMatchesGolden(const QImage& actual, const QString& name) {
  const QString expectedPath = QStringLiteral(TARVEL_GOLDEN_DIR "/%1.png").arg(name);
  if (update()) {
    EXPECT_TRUE(actual.save(expectedPath)) << expectedPath.toStdString();
    return;
  }
  const QImage expected = QImage(expectedPath).convertToFormat(QImage::Format_ARGB32);
  const QString failures = QStringLiteral(TARVEL_GOLDEN_FAILURE_DIR);
  QDir().mkpath(failures);
  const QString actualPath = QStringLiteral("%1/%2-actual.png").arg(failures, name);
  const QString diffPath = QStringLiteral("%1/%2-diff.png").arg(failures, name);
  QFile::remove(actualPath);
  QFile::remove(diffPath);
  if (expected.isNull() || expected.size() != actual.size()) {
    actual.save(actualPath);
    ADD_FAILURE() << name.toStdString() << ": no reviewed picture of size " << actual.width() << "x"
                  << actual.height() << " at " << expectedPath.toStdString()
                  << "; actual: " << actualPath.toStdString();
    return;
  }
  int differing = 0;
  const QImage diff =
      differenceImage(expected, actual.convertToFormat(QImage::Format_ARGB32), &differing);
  if (differing <= kDifferingPixelsAllowed) return;
  actual.save(actualPath);
  diff.save(diffPath);
  ADD_FAILURE() << name.toStdString() << ": " << differing << " pixels differ by more than "
                << kChannelTolerance << " from " << expectedPath.toStdString()
                << "\n  actual: " << actualPath.toStdString()
                << "\n  difference: " << diffPath.toStdString();
}

}  // namespace tarvel::test
