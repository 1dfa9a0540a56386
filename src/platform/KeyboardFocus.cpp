#include "platform/KeyboardFocus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QStyle>
#include <QWidget>

#include "platform/MainQueue.h"

namespace tarvel::detail {

namespace {

constexpr char kProperty[] = "keyboardFocus";
constexpr char kMarkerName[] = "tarvelKeyboardFocusMarker";

// Whether the user's latest input was a key (rather than a click or a touch). A focus that
// Qt passes on with the Tab reason (when the focused widget is hidden, say) is no keyboard
// focus unless the user is using the keyboard.
class LastInput : public QObject {
 public:
  static bool wasKey() { return instance()->wasKey_; }
  static LastInput* instance() {
    static LastInput* watcher = [] {
      auto* created = new LastInput;
      created->setParent(QCoreApplication::instance());
      QCoreApplication::instance()->installEventFilter(created);
      return created;
    }();
    return watcher;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (MainQueue::isWakeUpReceiver(watched)) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
        wasKey_ = true;
        break;
      case QEvent::MouseButtonPress:
      case QEvent::TouchBegin:
        wasKey_ = false;
        break;
      default:
        break;
    }
    return false;
  }

 private:
  bool wasKey_ = false;
};

class KeyboardFocusMarker : public QObject {
 public:
  explicit KeyboardFocusMarker(QWidget* widget) : QObject(widget) {
    setObjectName(QLatin1String(kMarkerName));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool fromKeyboard = event->type() == QEvent::FocusIn && LastInput::wasKey() &&
                              (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->property(kProperty).toBool() != fromKeyboard) {
      widget->setProperty(kProperty, fromKeyboard);
      // Style sheets read dynamic properties when the widget is polished.
      widget->style()->unpolish(widget);
      widget->style()->polish(widget);
      widget->update();
    }
    return false;
  }
};

}  // namespace

void showFocusFromKeyboardOnly(QWidget* widget) {
  if (!widget ||
      widget->findChild<QObject*>(QLatin1String(kMarkerName), Qt::FindDirectChildrenOnly))
    return;
  LastInput::instance();
  widget->setProperty(kProperty, false);
  widget->installEventFilter(new KeyboardFocusMarker(widget));
}

}  // namespace tarvel::detail
