#pragma once

#include <QFont>        // QFont
#include <QString>      // QString
#include <QStringList>  // QStringList

#include "tarvel/Export.h"

namespace tarvel {

/// The component's fonts: the seven Metropolis faces carried in its own bundle (GetBundle),
/// registered with the process's font database and asked for by face name.
///
/// Face names: "Metropolis-Regular", "Metropolis-Thin", "Metropolis-Medium", "Metropolis-Light",
/// "Metropolis-ExtraLight", "Metropolis-Bold", "Metropolis-Black". Each face is registered as a
/// font family of that name, so once `loadFonts()` has run a face is found by its name wherever
/// Qt takes a family: `QFont("Metropolis-Bold")`, a Designer file's font family, or a style
/// sheet's `font-family: Metropolis-Bold`. Call from any thread once the QGuiApplication
/// exists (`TarvelCheckout::warmUp` registers the faces on a pooled thread).
class TARVEL_CHECKOUT_EXPORT UIFont {
 public:
  UIFont() = delete;

  /// Registers the seven faces, in the order listed above, once for the life of the process:
  /// a later call skips the faces already registered, silently. A face that is refused (a file
  /// the font database cannot read) logs "Error registering font" and the next face follows.
  static void loadFonts();

  /// The registered face `faceName` at `pointSize`. A name that is not one of the seven faces,
  /// or a face that is not registered, is logged and gives the application's default font at
  /// `pointSize` instead.
  static QFont font(const QString& faceName, double pointSize);

  /// The faces registered so far, in the order they were registered.
  static QStringList registeredFaces();

 private:
  static void registerFont(const QString& name, const QString& fileExtension);
};

}  // namespace tarvel
