#pragma once

#include <string>  // string

#include <QString>

namespace tarvel::detail {

/// The language of the component's screens: the application's locale (QLocale()) unless the
/// host forces one, translated by the component's own files (tarvel_<language>.qm, built in)
/// and any the host adds. The component's translator sits beside the host's own; only the
/// texts the shopper reads go through it, never log lines, keys or what is sent to the platform.
class ShopperLanguage {
 public:
  ShopperLanguage() = delete;

  /// Forces `language` ("hi", "hi_IN", "en"); the empty text follows QLocale() again.
  static void setLanguage(const QString& language);
  /// Looks for tarvel_<language>.qm in `directory` too, before the folders added earlier and
  /// before the built-in translations.
  static void addTranslationDirectory(const QString& directory);

  /// Installs the translator for the language in force now, replacing the component's former
  /// one when the language or the folders have changed since. Call on the GUI thread before a
  /// screen builds its texts.
  static void apply();

  /// A message of the platform or of the view models, as the shopper reads it: the known
  /// English texts are translated, any other is shown as it came.
  static QString message(const std::string& text);
};

}  // namespace tarvel::detail
