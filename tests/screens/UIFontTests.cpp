#include <memory>  // unique_ptr

#include <QFontInfo>  // QFontInfo
#include <QImage>     // QImage
#include <QLabel>     // QLabel
#include <QString>    // QString

#include <gtest/gtest.h>

#include "LogCapture.h"  // from the test support library
#include "tarvel/UIFont.h"
#include "ui_FontFacesByName.h"

namespace tarvel {
namespace {

struct Face {
  const char* name;
  int weight;
};

constexpr Face kFaces[] = {{"Metropolis-Regular", 400},    {"Metropolis-Thin", 100},
                           {"Metropolis-Medium", 500},     {"Metropolis-Light", 300},
                           {"Metropolis-ExtraLight", 200}, {"Metropolis-Bold", 700},
                           {"Metropolis-Black", 900}};

// Registration is process-wide, so the first and the repeated load (a second checkout's screen)
// are one case, and it runs before anything else in this executable registers fonts.
TEST(UIFontTests, FacesRegisterOncePerProcessAndSilently) {
  QStringList order;
  for (const Face& face : kFaces) order << face.name;
  test::LogCapture log;

  UIFont::loadFonts();
  UIFont::loadFonts();
  EXPECT_TRUE(log.lines().empty()) << "no \"Error registering font\" for a repeat";
  EXPECT_EQ(UIFont::registeredFaces(), order);

  // Every face still resolves, by its name, to the file of its own weight.
  for (const Face& face : kFaces) {
    SCOPED_TRACE(face.name);
    const QFont font = UIFont::font(QString::fromLatin1(face.name), 14);
    const QFontInfo resolved(font);
    EXPECT_EQ(resolved.family(), QString::fromLatin1(face.name));
    EXPECT_EQ(resolved.weight(), face.weight);
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.0);
  }
  EXPECT_TRUE(log.lines().empty());

  // An unknown face is logged and gives the default font at the requested size.
  const QFont unknown = UIFont::font(QStringLiteral("Metropolis-Heavy"), 12.5);
  EXPECT_EQ(unknown.family(), QFont().family());
  EXPECT_EQ(unknown.weight(), QFont().weight());
  EXPECT_DOUBLE_EQ(unknown.pointSizeF(), 12.5);
  EXPECT_TRUE(log.contains("Metropolis-Heavy"));
}

// The width of what `label` actually paints: the span of columns holding ink.
int inkWidth(QLabel& label) {
  label.adjustSize();
  const QImage image = label.grab().toImage();
  int first = image.width();
  int last = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  return last - first + 1;
}

std::unique_ptr<QLabel> labelIn(const QFont& font) {
  auto label = std::make_unique<QLabel>(QStringLiteral("Pay 1499.00 now"));
  label->setStyleSheet(QStringLiteral("QLabel { background: white; color: black; }"));
  label->setFont(font);
  return label;
}

// Screens name faces in code, in Designer files and in style sheets; each must paint the named
// face, not a fallback of the family's default weight.
TEST(UIFontTests, FacesResolveByNameInCodeDesignerFilesAndStyleSheets) {
  UIFont::loadFonts();
  const int regular = inkWidth(*labelIn(UIFont::font(QStringLiteral("Metropolis-Regular"), 20)));
  const int bold = inkWidth(*labelIn(UIFont::font(QStringLiteral("Metropolis-Bold"), 20)));
  ASSERT_GT(bold, regular);

  QFont byName(QStringLiteral("Metropolis-Bold"));
  byName.setPointSizeF(20);
  EXPECT_EQ(inkWidth(*labelIn(byName)), bold);

  QWidget designed;
  Ui::FontFacesByName ui;
  ui.setupUi(&designed);
  EXPECT_EQ(inkWidth(*ui.boldLabel), bold);
  EXPECT_EQ(inkWidth(*ui.regularLabel), regular);

  QLabel styled(QStringLiteral("Pay 1499.00 now"));
  styled.setStyleSheet(QStringLiteral(
      "QLabel { font-family: Metropolis-Bold; font-size: 20pt; background: white; color: black; "
      "}"));
  EXPECT_EQ(inkWidth(styled), bold);
}

}  // namespace
}  // namespace tarvel
