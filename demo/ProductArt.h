#pragma once

#include <QPixmap>
#include <QString>

namespace demo {

/// The shop's product pictures, drawn here rather than shipped as files: a kurta, a steel
/// bottle and a cup of chai, each on a soft tile of its own colour.
struct ProductArt {
  enum class Kind { kurta, bottle, chai };

  /// A square picture `size` pixels wide, for a device pixel ratio of `ratio`.
  static QPixmap picture(Kind kind, int size, qreal ratio = 1.0);
  /// The shop's logo: a leaf in a green circle.
  static QPixmap logo(int size, qreal ratio = 1.0);
};

}  // namespace demo
