#include <gtest/gtest.h>

#include <QGraphicsDropShadowEffect>  // QGraphicsDropShadowEffect
#include <QImage>                     // QImage
#include <QPushButton>                // QPushButton
#include <QWidget>                    // QWidget

#include "tarvel/Shadow.h"

namespace tarvel {
namespace {

void giveBackground(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(widget.backgroundRole(), color);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

TEST(ShadowTests, RedViewKeepsNoBackgroundOfItsOwnAndItsLayerIsRedWithTheShadowApplied) {
  QWidget view;
  giveBackground(view, Qt::red);

  addShadow(&view, QSizeF(0, 3), Qt::black, 2.0, 0.35f);

  EXPECT_FALSE(view.autoFillBackground());
  EXPECT_EQ(layerBackgroundColor(&view), QColor(Qt::red));
  auto* shadow = qobject_cast<QGraphicsDropShadowEffect*>(view.graphicsEffect());
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->offset(), QPointF(0, 3));
  EXPECT_DOUBLE_EQ(shadow->blurRadius(), 2.0);
  EXPECT_EQ(shadow->color().rgb(), QColor(Qt::black).rgb());
  EXPECT_NEAR(shadow->color().alphaF(), 0.35, 1.0 / 255);
}

// What the user sees: the moved red still fills the view, and the shadow falls below it.
TEST(ShadowTests, MovedBackgroundIsPaintedUnderTheViewAndTheShadowFallsBelowIt) {
  QWidget surface;
  giveBackground(surface, Qt::white);
  surface.resize(100, 100);
  QWidget view(&surface);
  view.setGeometry(30, 30, 40, 40);
  giveBackground(view, Qt::red);

  addShadow(&view, QSizeF(0, 3), Qt::black, 2.0, 0.35f);
  const QImage picture = surface.grab().toImage();

  EXPECT_EQ(picture.pixelColor(50, 50), QColor(Qt::red));
  const QColor belowView = picture.pixelColor(50, 71);
  EXPECT_LT(belowView.lightness(), 250) << "no shadow under the view";
  EXPECT_EQ(belowView.red(), belowView.blue()) << "the shadow is grey, not red";
  EXPECT_EQ(picture.pixelColor(50, 90), QColor(Qt::white));
}

TEST(ShadowTests, StyleSheetBackgroundMovesToTheLayerToo) {
  QWidget surface;
  giveBackground(surface, Qt::white);
  surface.resize(100, 100);
  QPushButton button(&surface);
  button.setGeometry(10, 10, 80, 40);
  button.setStyleSheet(QStringLiteral("QPushButton { background-color: #FF0000; border: none; }"));

  addShadow(&button, QSizeF(0, 3), Qt::black, 2.0, 0.35f);

  EXPECT_EQ(layerBackgroundColor(&button), QColor(Qt::red));
  button.ensurePolished();
  EXPECT_EQ(button.palette().color(button.backgroundRole()).alpha(), 0)
      << "the button still paints its own background";
  EXPECT_EQ(surface.grab().toImage().pixelColor(50, 30), QColor(Qt::red));
}

TEST(ShadowTests, ViewWithoutBackgroundGetsTheShadowButNoLayerColour) {
  QWidget view;
  addShadow(&view, QSizeF(1, 2), Qt::blue, 4.0, 1.0f);

  EXPECT_FALSE(layerBackgroundColor(&view).has_value());
  ASSERT_NE(qobject_cast<QGraphicsDropShadowEffect*>(view.graphicsEffect()), nullptr);
}

}  // namespace
}  // namespace tarvel
