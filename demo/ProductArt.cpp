#include "ProductArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace demo {
namespace {

QPixmap canvas(int size, qreal ratio) {
  QPixmap pixmap(QSize(size, size) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

void drawTile(QPainter& painter, int size, const QColor& colour) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
}

// Drawn on a 100 × 100 grid; the painter is scaled to the picture's size.
void drawKurta(QPainter& painter) {
  QPainterPath body;
  body.moveTo(38, 18);
  body.lineTo(62, 18);
  body.lineTo(84, 30);
  body.lineTo(78, 46);
  body.lineTo(68, 42);
  body.lineTo(70, 86);
  body.lineTo(30, 86);
  body.lineTo(32, 42);
  body.lineTo(22, 46);
  body.lineTo(16, 30);
  body.closeSubpath();
  QLinearGradient cloth(0, 18, 0, 86);
  cloth.setColorAt(0, QColor("#3F51B5"));
  cloth.setColorAt(1, QColor("#283593"));
  painter.setBrush(cloth);
  painter.drawPath(body);
  // Placket and collar.
  painter.setBrush(QColor("#FFC107"));
  painter.drawRect(QRectF(48, 18, 4, 28));
  painter.setBrush(QColor("#E8EAF6"));
  for (int y : {26, 33, 40}) painter.drawEllipse(QPointF(50, y), 1.6, 1.6);
  painter.setPen(QPen(QColor("#FFC107"), 2));
  painter.drawLine(QPointF(31, 78), QPointF(69, 78));
}

void drawBottle(QPainter& painter) {
  QLinearGradient steel(30, 0, 70, 0);
  steel.setColorAt(0, QColor("#90A4AE"));
  steel.setColorAt(0.35, QColor("#ECEFF1"));
  steel.setColorAt(1, QColor("#78909C"));
  painter.setBrush(steel);
  painter.drawRoundedRect(QRectF(32, 30, 36, 60), 10, 10);
  painter.drawRoundedRect(QRectF(38, 22, 24, 14), 4, 4);
  painter.setBrush(QColor("#00897B"));
  painter.drawRoundedRect(QRectF(39, 10, 22, 14), 4, 4);
  painter.setBrush(QColor(255, 255, 255, 120));
  painter.drawRoundedRect(QRectF(38, 40, 5, 40), 2.5, 2.5);
}

void drawChai(QPainter& painter) {
  // Steam.
  painter.setPen(QPen(QColor(255, 255, 255, 200), 3, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  for (int x : {40, 52}) {
    QPainterPath steam;
    steam.moveTo(x, 38);
    steam.cubicTo(x - 6, 30, x + 6, 24, x, 14);
    painter.drawPath(steam);
  }
  painter.setPen(Qt::NoPen);
  // Cup with handle, and the chai inside.
  painter.setBrush(QColor("#FFF8E1"));
  QPainterPath cup;
  cup.moveTo(24, 44);
  cup.lineTo(70, 44);
  cup.lineTo(64, 82);
  cup.quadTo(47, 90, 30, 82);
  cup.closeSubpath();
  painter.drawPath(cup);
  painter.setPen(QPen(QColor("#FFF8E1"), 5));
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(QRectF(62, 50, 18, 18), -90 * 16, 180 * 16);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor("#A1662F"));
  painter.drawEllipse(QRectF(26, 40, 42, 9));
  painter.setBrush(QColor("#D84315"));
  painter.drawRect(QRectF(28, 62, 38, 4));
}

}  // namespace

QPixmap ProductArt::picture(Kind kind, int size, qreal ratio) {
  static const QColor tiles[] = {QColor("#E8EAF6"), QColor("#E0F2F1"), QColor("#FBE9E7")};
  QPixmap pixmap = canvas(size, ratio);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  drawTile(painter, size, tiles[static_cast<int>(kind)]);
  painter.scale(size / 100.0, size / 100.0);
  painter.setPen(Qt::NoPen);
  switch (kind) {
    case Kind::kurta:
      drawKurta(painter);
      break;
    case Kind::bottle:
      drawBottle(painter);
      break;
    case Kind::chai:
      drawChai(painter);
      break;
  }
  return pixmap;
}

QPixmap ProductArt::logo(int size, qreal ratio) {
  QPixmap pixmap = canvas(size, ratio);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor("#0A9C4D"));
  painter.drawEllipse(QRectF(0, 0, size, size));
  painter.scale(size / 100.0, size / 100.0);
  QPainterPath leaf;
  leaf.moveTo(30, 72);
  leaf.cubicTo(28, 40, 50, 24, 76, 26);
  leaf.cubicTo(76, 54, 58, 74, 30, 72);
  painter.setBrush(Qt::white);
  painter.drawPath(leaf);
  painter.setPen(QPen(QColor("#0A9C4D"), 4, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(34, 68), QPointF(64, 38));
  return pixmap;
}

}  // namespace demo
