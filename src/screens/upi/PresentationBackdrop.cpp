#include "PresentationBackdrop.h"

#include <QGraphicsBlurEffect>  // QGraphicsBlurEffect
#include <QMouseEvent>          // QMouseEvent
#include <QPainter>             // QPainter

namespace tarvel::detail {
namespace {

constexpr qreal kBlurRadius = 24;
const QColor kDarkTint(17, 17, 17, 190);

}  // namespace

PresentationBackdrop::PresentationBackdrop(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("blurEffectView"));
  auto* blur = new QGraphicsBlurEffect(this);
  blur->setBlurRadius(kBlurRadius);
  blur->setBlurHints(QGraphicsBlurEffect::QualityHint);
  setGraphicsEffect(blur);
}

void PresentationBackdrop::setAlpha(qreal alpha) {
  alpha_ = qBound<qreal>(0, alpha, 1);
  update();
}

void PresentationBackdrop::setSnapshot(const QPixmap& snapshot) {
  snapshot_ = snapshot;
  update();
}

void PresentationBackdrop::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setOpacity(alpha_);
  if (!snapshot_.isNull()) painter.drawPixmap(rect(), snapshot_);
  painter.fillRect(rect(), kDarkTint);
}

void PresentationBackdrop::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void PresentationBackdrop::mouseReleaseEvent(QMouseEvent* event) {
  const bool tap =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (tap) emit tapped();
}

}  // namespace tarvel::detail
