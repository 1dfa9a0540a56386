#pragma once

#include <QString>  // QString

#include "tarvel/Export.h"

namespace tarvel {

/// Locates the component's own resource bundle: layouts, images and font files compiled into the
/// library under the Qt resource prefix ":/tarvel/". Resources are always looked up here, never
/// in the host application's resources.
class TARVEL_CHECKOUT_EXPORT GetBundle {
 public:
  GetBundle() = default;

  /// ":/tarvel/". The first call also registers the bundle with Qt's resource system, which a
  /// static library cannot do by itself.
  static QString resourceRoot();

  /// The bundle path of a resource, e.g. resourcePath("images/back_arrow.png").
  static QString resourcePath(const QString& relativePath);
};

}  // namespace tarvel
