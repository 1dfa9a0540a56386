#include <QFontInfo>  // QFontInfo
#include <QString>    // QString

#include <gtest/gtest.h>

#include "LogCapture.h"  // from the test support library
#include "tarvel/UIFont.h"

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

}  // namespace
}  // namespace tarvel
