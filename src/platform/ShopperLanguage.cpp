#include "platform/ShopperLanguage.h"

#include <memory>  // unique_ptr
#include <mutex>   // mutex, lock_guard

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include "tarvel/GetBundle.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// The English texts that reach the shopper as messages: the view models' error names and the
// platform's OTP answers. Marked here so that lupdate lists them; looked up by their text.
[[maybe_unused]] constexpr const char* kKnownMessages[] = {
    QT_TRANSLATE_NOOP("tarvel::Message", "No Network"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Data Not Found"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Json Parsing Error"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Invalid Status Code"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Something went wrong!"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Invalid OTP"),
    QT_TRANSLATE_NOOP("tarvel::Message", "Too many attempts"),
    QT_TRANSLATE_NOOP("tarvel::Message", "OTP expired"),
    QT_TRANSLATE_NOOP("tarvel::Message", "OTP not requested"),
    QT_TRANSLATE_NOOP("tarvel::Message", "OTP already used"),
};

struct State {
  std::mutex mutex;  // over the language and the folders, which any thread may set
  QString forced;
  QStringList directories;  // the host's, most recent first
  QString installedKey;     // language and folders of the installed translator
  // GUI thread only, used without the lock: installing or removing a translator sends every
  // widget a LanguageChange, whose handler in the host may well set the language.
  std::unique_ptr<QTranslator> translator;
};

State& state() {
  static State shared;
  return shared;
}

// The folders in the order they are searched: the host's, then the built-in translations.
QStringList searchedDirectories(const QStringList& hostDirectories) {
  return hostDirectories + QStringList{GetBundle::resourcePath(QStringLiteral("translations"))};
}

}  // namespace

void ShopperLanguage::setLanguage(const QString& language) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().forced = language;
}

void ShopperLanguage::addTranslationDirectory(const QString& directory) {
  std::lock_guard<std::mutex> lock(state().mutex);
  state().directories.prepend(directory);
}

void ShopperLanguage::apply() {
  State& shared = state();
  QLocale locale;
  QStringList directories;
  {
    std::lock_guard<std::mutex> lock(shared.mutex);
    if (!shared.forced.isEmpty()) locale = QLocale(shared.forced);
    directories = searchedDirectories(shared.directories);
    const QString key = locale.uiLanguages().join(',') + '|' + directories.join(',');
    if (key == shared.installedKey) return;
    shared.installedKey = key;
  }
  std::unique_ptr<QTranslator> former = std::move(shared.translator);
  if (former) QCoreApplication::removeTranslator(former.get());
  auto translator = std::make_unique<QTranslator>();
  for (const QString& directory : directories) {
    if (translator->load(locale, QStringLiteral("tarvel"), QStringLiteral("_"), directory)) {
      log(LogLevel::info, "Screens in " + translator->language().toStdString() + " from " +
                              translator->filePath().toStdString());
      shared.translator = std::move(translator);
      QCoreApplication::installTranslator(shared.translator.get());
      return;
    }
  }
  // English is the texts' own language: it needs no file.
  if (locale.language() != QLocale::English && locale.language() != QLocale::C) {
    log(LogLevel::info, "No translation of the screens for " + locale.name().toStdString() +
                            ": they show in English");
  }
}

QString ShopperLanguage::message(const std::string& text) {
  return QCoreApplication::translate("tarvel::Message", text.c_str());
}

}  // namespace tarvel::detail
