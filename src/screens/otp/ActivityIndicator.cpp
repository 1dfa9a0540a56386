#include "screens/otp/ActivityIndicator.h"

#include <QPainter>           // QPainter
#include <QVariantAnimation>  // QVariantAnimation

namespace tarvel::detail {

namespace {

constexpr int kSide = 36;
constexpr int kTurnMilliseconds = 900;
constexpr int kArcSpanDegrees = 100;

}  // namespace

ActivityIndicator::ActivityIndicator(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  spin_ = new QVariantAnimation(this);
  spin_->setStartValue(0.0);
  spin_->setEndValue(360.0);
  spin_->setDuration(kTurnMilliseconds);
  spin_->setLoopCount(-1);
  connect(spin_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    angle_ = value.toReal();
    update();
  });
  hide();
}

ActivityIndicator::~ActivityIndicator() = default;

void ActivityIndicator::startAnimating() {
  show();
  if (spin_->state() != QAbstractAnimation::Running) spin_->start();
}

void ActivityIndicator::stopAnimating() {
  spin_->stop();
  hide();
}

bool ActivityIndicator::isAnimating() const {
  return spin_->state() == QAbstractAnimation::Running;
}

QColor ActivityIndicator::color() const { return color_; }

void ActivityIndicator::setColor(const QColor& color) {
  color_ = color;
  update();
}

QSize ActivityIndicator::sizeHint() const { return {kSide, kSide}; }

// A faint full ring with a bright arc running round it.
void ActivityIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal pen = qMax<qreal>(2.0, qMin(width(), height()) / 10.0);
  const QRectF ring = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
  QColor faint = color_;
  faint.setAlphaF(0.18f);
  painter.setPen(QPen(faint, pen, Qt::SolidLine, Qt::RoundCap));
  painter.drawEllipse(ring);
  painter.setPen(QPen(color_, pen, Qt::SolidLine, Qt::RoundCap));
  painter.drawArc(ring, static_cast<int>(-angle_ * 16), kArcSpanDegrees * 16);
}

}  // namespace tarvel::detail
