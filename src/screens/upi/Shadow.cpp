#include "tarvel/Shadow.h"

#include <QEvent>                     // QEvent
#include <QGraphicsDropShadowEffect>  // QGraphicsDropShadowEffect
#include <QPainter>                   // QPainter
#include <QVariant>                   // QVariant
#include <QWidget>                    // QWidget

namespace tarvel {
namespace {

constexpr char kLayerBackgroundProperty[] = "tarvelLayerBackgroundColor";
constexpr char kClearedStyleProperty[] = "tarvelLayerBackground";
constexpr char kPainterName[] = "tarvelLayerBackgroundPainter";

// Paints the moved background colour under the view's own painting: it sees the view's paint
// event before the view does, so whatever the view draws lands on top of it, and a graphics
// effect on the view (the shadow) takes its shape from both together.
class LayerBackgroundPainter : public QObject {
 public:
  explicit LayerBackgroundPainter(QWidget* view) : QObject(view) {
    setObjectName(QLatin1String(kPainterName));
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* view = static_cast<QWidget*>(watched);
      if (auto color = layerBackgroundColor(view)) QPainter(view).fillRect(view->rect(), *color);
    }
    return false;
  }
};

bool styleSheetSetsBackground(const QWidget* view) {
  return view->styleSheet().contains(QLatin1String("background"), Qt::CaseInsensitive);
}

std::optional<QColor> ownBackgroundColor(QWidget* view) {
  view->ensurePolished();
  if (!view->autoFillBackground() && !styleSheetSetsBackground(view)) return std::nullopt;
  return view->palette().color(view->backgroundRole());
}

// A later declaration wins over an earlier one, and an attribute selector over a type
// selector, so the cleared background overrides the view's own style-sheet background.
void clearOwnBackground(QWidget* view) {
  view->setAutoFillBackground(false);
  if (!styleSheetSetsBackground(view)) return;
  QString sheet = view->styleSheet();
  if (sheet.contains(QLatin1Char('{'))) {
    view->setProperty(kClearedStyleProperty, true);
    sheet += QStringLiteral("\n*[%1=\"true\"] { background: transparent; }")
                 .arg(QLatin1String(kClearedStyleProperty));
  } else {
    if (!sheet.trimmed().endsWith(QLatin1Char(';'))) sheet += QLatin1Char(';');
    sheet += QStringLiteral(" background: transparent;");
  }
  view->setStyleSheet(sheet);
}

void moveBackgroundToLayer(QWidget* view) {
  if (layerBackgroundColor(view)) return;  // moved by an earlier call
  const std::optional<QColor> color = ownBackgroundColor(view);
  if (!color) return;
  clearOwnBackground(view);
  view->setProperty(kLayerBackgroundProperty, *color);
  if (!view->findChild<QObject*>(QLatin1String(kPainterName), Qt::FindDirectChildrenOnly)) {
    view->installEventFilter(new LayerBackgroundPainter(view));
  }
  view->update();
}

}  // namespace

void addShadow(QWidget* view, QSizeF offset, const QColor& color, double radius, float opacity) {
  if (!view) return;
  auto* shadow = new QGraphicsDropShadowEffect(view);
  shadow->setOffset(offset.width(), offset.height());
  // A phone's shadow radius is the spread of its blur; Qt's blur radius is the whole fade,
  // about twice as far. Taken as is, radius 2 draws a hard band instead of a soft shadow.
  shadow->setBlurRadius(2 * radius);
  QColor shadowColor = color;
  shadowColor.setAlphaF(color.alphaF() * qBound(0.0f, opacity, 1.0f));
  shadow->setColor(shadowColor);
  view->setGraphicsEffect(shadow);  // takes ownership and deletes a previous effect
  moveBackgroundToLayer(view);
}

std::optional<QColor> layerBackgroundColor(const QWidget* view) {
  const QVariant value = view ? view->property(kLayerBackgroundProperty) : QVariant();
  if (!value.isValid()) return std::nullopt;
  return value.value<QColor>();
}

}  // namespace tarvel
