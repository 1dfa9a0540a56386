#pragma once

#include <optional>  // optional

#include <QColor>  // QColor
#include <QSizeF>  // QSizeF

#include "tarvel/Export.h"

class QWidget;

namespace tarvel {

/// Gives `view` a drop shadow: a QGraphicsDropShadowEffect with `offset`, `color` at `opacity`
/// (opacity scales the colour's alpha) and `radius` as its blur radius.
///
/// A shadow follows what the view paints, so the view's background moves behind it, the way a
/// layer's background sits under a view's content: the view's own background colour (its
/// palette's background colour when it fills its background, or a style-sheet background) is
/// remembered, cleared from the view, and painted beneath the view's content instead. A view
/// without a background of its own keeps none and casts the shadow of its content only.
/// Calling it again replaces the shadow; the moved background stays.
TARVEL_CHECKOUT_EXPORT void addShadow(QWidget* view, QSizeF offset, const QColor& color,
                                      double radius, float opacity);

/// The background colour that `addShadow` moved behind `view`, or nothing when it moved none.
TARVEL_CHECKOUT_EXPORT std::optional<QColor> layerBackgroundColor(const QWidget* view);

}  // namespace tarvel
