#include "platform/KeyboardFocus.h"

#include <QEvent>
#include <QFocusEvent>
#include <QStyle>
#include <QWidget>

namespace tarvel::detail {

namespace {

constexpr char kProperty[] = "keyboardFocus";
constexpr char kMarkerName[] = "tarvelKeyboardFocusMarker";

class KeyboardFocusMarker : public QObject {
 public:
  explicit KeyboardFocusMarker(QWidget* widget) : QObject(widget) {
    setObjectName(QLatin1String(kMarkerName));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const bool fromKeyboard = event->type() == QEvent::FocusIn &&
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
  widget->setProperty(kProperty, false);
  widget->installEventFilter(new KeyboardFocusMarker(widget));
}

}  // namespace tarvel::detail
