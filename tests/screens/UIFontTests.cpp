#include <QStringList>  // QStringList

#include <gtest/gtest.h>

#include "LogCapture.h"  // from the test support library
#include "tarvel/UIFont.h"

namespace tarvel {
namespace {

// Registration is process-wide, so the first and the repeated load (a second checkout's screen)
// are one case, and it runs before anything else in this executable registers fonts. (How the
// faces look is pictured by the golden tests.)
TEST(UIFontTests, FacesRegisterOncePerProcessAndSilently) {
  test::LogCapture log;
  UIFont::loadFonts();
  UIFont::loadFonts();
  EXPECT_TRUE(log.lines().empty()) << "no \"Error registering font\" for a repeat";
  EXPECT_EQ(
      UIFont::registeredFaces(),
      QStringList({"Metropolis-Regular", "Metropolis-Thin", "Metropolis-Medium", "Metropolis-Light",
                   "Metropolis-ExtraLight", "Metropolis-Bold", "Metropolis-Black"}));
}

}  // namespace
}  // namespace tarvel
