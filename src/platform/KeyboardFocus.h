#pragma once

class QWidget;

namespace tarvel::detail {

/// Marks `widget` with the dynamic property `keyboardFocus` (true) while it holds a focus that
/// came from the keyboard (Tab or Backtab) and clears it when the focus leaves, so that a style
/// sheet shows a focus frame with `[keyboardFocus="true"]` the way desktop platforms do: not for
/// a focus given at load, by a click or by the screen itself.
void showFocusFromKeyboardOnly(QWidget* widget);

}  // namespace tarvel::detail
