#pragma once

#include <QColor>
#include <QLineEdit>

#include "tarvel/Export.h"

namespace tarvel {

class BackSpaceDelegate;
class TextFieldDelegate;

/// A one-line text field whose edits go through a `TextFieldDelegate` and whose backspace key
/// is reported to a `BackSpaceDelegate`, the building block of the OTP screen's digit fields.
///
/// Every edit the user makes (a typed character, Backspace, Delete, cut, paste from the
/// keyboard or the context menu, an input method's committed text) is offered to `delegate()`
/// as a replacement of the selection (or of the character before the cursor for Backspace);
/// the field applies it only when the delegate answers true, or when there is no delegate.
/// Undo and redo are not offered while a delegate is set. Dropping text is not accepted.
///
/// Backspace: the field notes whether it was empty, offers the deletion of one character to
/// the delegate when it holds text, and then reports the key to `backSpaceDelegate()` with that
/// note. Neither delegate is owned; both must outlive the field or be cleared.
///
/// Two properties for layout files: `tag`, a number by which the OTP screen finds a field's
/// neighbours among its siblings, and `oneTimeCode`, which marks the field that takes a
/// received one-time code as a whole (the OTP screen spreads such a code over its fields).
class TARVEL_CHECKOUT_EXPORT CustomTextField : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(int tag READ tag WRITE setTag)
  Q_PROPERTY(bool oneTimeCode READ isOneTimeCode WRITE setOneTimeCode)

 public:
  /// An empty field without delegates, tag 0.
  explicit CustomTextField(QWidget* parent = nullptr);
  ~CustomTextField() override;

  /// The delegate that accepts or refuses each edit, or nullptr (every edit is applied).
  /// @{
  TextFieldDelegate* delegate() const;
  void setDelegate(TextFieldDelegate* delegate);
  /// @}
  /// The delegate told of every backspace key, or nullptr.
  /// @{
  BackSpaceDelegate* backSpaceDelegate() const;
  void setBackSpaceDelegate(BackSpaceDelegate* delegate);
  /// @}

  /// The field's number among its siblings (the `tag` property).
  /// @{
  int tag() const;
  void setTag(int tag);
  /// @}
  /// Whether the field takes a whole one-time code (the `oneTimeCode` property).
  /// @{
  bool isOneTimeCode() const;
  void setOneTimeCode(bool oneTimeCode);
  /// @}

  /// The colour of the text cursor; an invalid colour (the default) leaves it in the text's
  /// colour, as a line edit draws it. A tinted cursor does not blink.
  /// @{
  QColor tintColor() const;
  void setTintColor(const QColor& tint);
  /// @}

  /// What the backspace key does (see above).
  virtual void deleteBackward();
  /// Offers `text` as a replacement of the selection, or an insertion at the cursor, and
  /// applies it when the delegate agrees: typing and pasting both end here.
  void insertText(const QString& text);
  /// Offers the clipboard's text, as the paste shortcut does.
  void pasteFromClipboard();

 protected:
  /// Keys that change the text go through the delegate; cursor, selection and copy keys keep
  /// the line edit's own handling.
  void keyPressEvent(QKeyEvent* event) override;
  /// An input method's plainly committed text goes through `insertText`.
  void inputMethodEvent(QInputMethodEvent* event) override;
  /// A menu of Copy, Paste (through the delegate) and Select All; the line edit's own menu
  /// would cut and paste past the delegate.
  void contextMenuEvent(QContextMenuEvent* event) override;
  /// Draws the line edit, then the cursor in the tint colour when one is set.
  void paintEvent(QPaintEvent* event) override;

 private:
  bool offerReplacement(int start, int length, const QString& text);
  void deleteSelectionOrForward();

  TextFieldDelegate* delegate_ = nullptr;
  BackSpaceDelegate* backSpaceDelegate_ = nullptr;
  int tag_ = 0;
  bool oneTimeCode_ = false;
  QColor tint_;
};

}  // namespace tarvel
