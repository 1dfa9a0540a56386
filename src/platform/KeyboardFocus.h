#pragma once

class QWidget;

namespace tarvel::detail {

/// Marks `widget` with the dynamic property `keyboardFocus` (true) while it holds a focus that
/// came from the keyboard (Tab or Backtab while the user's latest input was a key) and clears
/// it when the focus leaves, so that a style sheet shows a focus frame with
/// `[keyboardFocus="true"]` the way desktop platforms do: not for a focus given at load, by a
/// click, or passed on by Qt when the focused widget is hidden.
void showFocusFromKeyboardOnly(QWidget* widget);

}  // namespace tarvel::detail
