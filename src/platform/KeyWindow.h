#pragma once

class QWidget;

namespace tarvel {
class ViewController;
}  // namespace tarvel

namespace tarvel::detail {

/// The window the component shows its screens in, and that window's root screen.
///
/// The key window is the host's active top-level window, else its first visible top-level
/// window. When the host shows no window at all, the component opens one of its own (a
/// phone-sized QMainWindow) and keeps it until it is closed; it is deleted on close.
///
/// A window's root is its central widget for a QMainWindow, else the single widget of its
/// layout. A window whose layout holds anything else (several widgets, spacers) first has that
/// layout moved into one new content widget, which then is the root, so the host's content can
/// move as a whole. A window without a layout has no root until one is set; setting one gives
/// it a margin-free layout that the component owns. Main thread only.
struct KeyWindow {
  /// The host's key window, or nullptr when it shows none.
  static QWidget* current();
  /// The key window, opening the component's own window when the host shows none.
  static QWidget* currentOrOpen();
  /// The window the component opened, or nullptr.
  static QWidget* ownWindow();

  static QWidget* rootWidget(QWidget* window);
  /// The root when it is a screen of the component, else nullptr.
  static ViewController* rootViewController(QWidget* window);
  /// Puts `root` (or nothing) in place of the window's root and shows it. The former root is
  /// taken out of the window, without a parent and hidden, and returned: the caller owns it.
  static QWidget* setRootWidget(QWidget* window, QWidget* root);

  /// Shows the window, raises it and makes it the active window.
  static void makeKeyAndVisible(QWidget* window);
};

}  // namespace tarvel::detail
