#pragma once

#include "tarvel/Export.h"

class QLineEdit;
class QString;

namespace tarvel {

/// Decides on the edits a user makes in a `CustomTextField`, like a phone toolkit's text-field
/// delegate: each typed key, deletion, paste or input-method commit is offered here first, and
/// the field applies it only when the delegate answers true.
class TARVEL_CHECKOUT_EXPORT TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;

  /// The user wants to replace `length` characters from `start` (UTF-16 positions) with
  /// `replacementString`: one typed character, several pasted ones, or "" for a deletion.
  /// Answer false to apply nothing (the delegate may then set the field's text itself).
  virtual bool textFieldShouldChangeCharactersIn(QLineEdit* textField, int start, int length,
                                                 const QString& replacementString) = 0;

  /// The cursor or the selection of `textField` moved, which also happens whenever its text is
  /// set.
  virtual void textFieldDidChangeSelection(QLineEdit* /*textField*/) {}
};

}  // namespace tarvel
