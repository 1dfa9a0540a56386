#include <gtest/gtest.h>

#include <QFontInfo>  // QFontInfo
#include <QString>    // QString
#include <array>      // array
#include <string>     // string

#include "LogCapture.h"  // from the test support library
#include "tarvel/UIFont.h"

namespace tarvel {
namespace {

struct ExpectedFace {
  const char* name;
  int weight;
  const char* styleName;
};

constexpr std::array<ExpectedFace, 7> kFacesInRegistrationOrder{{
    {"Metropolis-Regular", 400, "Regular"},
    {"Metropolis-Thin", 100, "Thin"},
    {"Metropolis-Medium", 500, "Medium"},
    {"Metropolis-Light", 300, "Light"},
    {"Metropolis-ExtraLight", 200, "Extra Light"},
    {"Metropolis-Bold", 700, "Bold"},
    {"Metropolis-Black", 900, "Black"},
}};

std::string expectedOrder() {
  QStringList names;
  for (const auto& face : kFacesInRegistrationOrder) names << face.name;
  return names.join(QLatin1Char(',')).toStdString();
}

std::string registeredOrder() {
  return UIFont::registeredFaces().join(QLatin1Char(',')).toStdString();
}

// Registration is process-wide, so the first and the repeated load are one case, and it runs
// before anything else in this executable registers fonts.
TEST(UIFontTests, FirstLoadRegistersSilentlyAndRepeatsAreRefusedOnePerFace) {
  test::LogCapture log;

  UIFont::loadFonts();
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(registeredOrder(), expectedOrder());

  UIFont::loadFonts();
  EXPECT_EQ(log.count("Error registering font"), 7u);
  EXPECT_EQ(log.lines().size(), 7u);
  EXPECT_EQ(registeredOrder(), expectedOrder());

  // Every face still resolves, by its name, to the file of its own weight.
  for (const auto& face : kFacesInRegistrationOrder) {
    SCOPED_TRACE(face.name);
    const QFont font = UIFont::font(QString::fromLatin1(face.name), 14);
    const QFontInfo resolved(font);
    EXPECT_EQ(resolved.family(), QStringLiteral("Metropolis"));
    EXPECT_EQ(resolved.weight(), face.weight);
    EXPECT_EQ(resolved.styleName(), QString::fromLatin1(face.styleName));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 14.0);
  }
  EXPECT_EQ(log.lines().size(), 7u);
}

TEST(UIFontTests, UnknownFaceIsLoggedAndGivesTheDefaultFontAtTheRequestedSize) {
  test::LogCapture log;
  const QFont font = UIFont::font(QStringLiteral("Metropolis-Heavy"), 12.5);

  EXPECT_EQ(font.family(), QFont().family());
  EXPECT_EQ(font.weight(), QFont().weight());
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 12.5);
  EXPECT_TRUE(log.contains("Metropolis-Heavy"));
}

}  // namespace
}  // namespace tarvel
