#pragma once

#include "tarvel/Export.h"

class QLineEdit;

namespace tarvel {

/// Hears the backspace key of a `CustomTextField`.
class TARVEL_CHECKOUT_EXPORT BackSpaceDelegate {
 public:
  virtual ~BackSpaceDelegate() = default;

  /// Backspace was pressed in `textField`, after the field has offered the deletion to its
  /// `TextFieldDelegate`. `wasEmpty` says whether the field was already empty before the key.
  virtual void textFieldDidDeleteBackward(QLineEdit* textField, bool wasEmpty) = 0;
};

}  // namespace tarvel
