#pragma once

#include <QColor>  // QColor

#include "tarvel/Export.h"

class QLineEdit;

namespace tarvel {

/// Underlines a line edit: removes its frame and lays a 1-pixel line in `color` (white unless
/// told otherwise) along its bottom edge, full width, following the field when it is resized.
/// Calling it again on the same field recolours the one line instead of adding another.
TARVEL_CHECKOUT_EXPORT void addBottomBorder(QLineEdit* textField, const QColor& color = Qt::white);

}  // namespace tarvel
