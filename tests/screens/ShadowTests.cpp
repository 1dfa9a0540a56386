#include <QGraphicsDropShadowEffect>  // QGraphicsDropShadowEffect
#include <QImage>                     // QImage
#include <QWidget>                    // QWidget

#include <gtest/gtest.h>

#include "tarvel/Shadow.h"

namespace tarvel {
namespace {

void giveBackground(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(widget.backgroundRole(), color);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

// The red moves from the view to its layer, still fills the view, and a grey shadow falls below.
TEST(ShadowTests, RedViewsBackgroundMovesToItsLayerWithTheShadowBelow) {
  QWidget surface;
  giveBackground(surface, Qt::white);
  surface.resize(100, 100);
  QWidget view(&surface);
  view.setGeometry(30, 30, 40, 40);
  giveBackground(view, Qt::red);

  addShadow(&view, QSizeF(0, 3), Qt::black, 2.0, 0.35f);

  EXPECT_FALSE(view.autoFillBackground());
  EXPECT_EQ(layerBackgroundColor(&view), QColor(Qt::red));
  auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(view.graphicsEffect());
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->offset(), QPointF(0, 3));
  EXPECT_DOUBLE_EQ(shadow->blurRadius(), 4.0) << "Qt's blur reaches twice the radius";
  EXPECT_EQ(shadow->color().rgb(), QColor(Qt::black).rgb());
  EXPECT_NEAR(shadow->color().alphaF(), 0.35, 1.0 / 255);
  const QImage picture = surface.grab().toImage();
  EXPECT_EQ(picture.pixelColor(50, 50), QColor(Qt::red));
  const QColor belowView = picture.pixelColor(50, 71);
  EXPECT_LT(belowView.lightness(), 250) << "no shadow under the view";
  EXPECT_EQ(belowView.red(), belowView.blue()) << "the shadow is grey, not red";
  EXPECT_EQ(picture.pixelColor(50, 90), QColor(Qt::white));

  QWidget plain;  // no background: the shadow but no layer colour
  addShadow(&plain, QSizeF(1, 2), Qt::blue, 4.0, 1.0f);
  EXPECT_FALSE(layerBackgroundColor(&plain).has_value());
  EXPECT_NE(qobject_cast<QGraphicsDropShadowEffect*>(plain.graphicsEffect()), nullptr);
}

}  // namespace
}  // namespace tarvel
