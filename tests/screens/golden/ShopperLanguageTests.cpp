// The screens' language: the application's locale, a forced one, a host's own file; the host's
// translator stays installed through every change.
#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <gtest/gtest.h>

#include "platform/ShopperLanguage.h"
#include "tarvel/TarvelCheckout.h"

namespace tarvel::test {
namespace {

using detail::ShopperLanguage;

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
      {"hi", "", "नेटवर्क नहीं है"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " forced '" + row.forced + "'");
    QLocale::setDefault(QLocale(QString::fromLatin1(row.locale)));
    TarvelCheckout::setLanguage(row.forced);
    ShopperLanguage::apply();
    EXPECT_EQ(ShopperLanguage::message("No Network"), QString::fromUtf8(row.shown));
    EXPECT_EQ(QCoreApplication::translate("Shop", "Cart"), QStringLiteral("கூடை"));
  }

  QCoreApplication::removeTranslator(&shop);
  TarvelCheckout::setLanguage("");
  QLocale::setDefault(hostLocale);
  ShopperLanguage::apply();
}

}  // namespace
}  // namespace tarvel::test
