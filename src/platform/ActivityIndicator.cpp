#include "platform/ActivityIndicator.h"

#include <algorithm>  // max, min

#include <QFontMetrics>       // QFontMetrics
#include <QPainter>           // QPainter
#include <QPen>               // QPen
#include <QVariantAnimation>  // QVariantAnimation

namespace tarvel::detail {
namespace {

constexpr int kRevolutionMs = 900;
constexpr int kArcSpanDegrees = 270;
constexpr int kCaptionGap = 10;

}  // namespace

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent), color_(QColor(0x0A, 0x9C, 0x4D)) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

ActivityIndicator::~ActivityIndicator() = default;

void ActivityIndicator::startAnimating() {
  if (isAnimating()) return;
  auto* spin = new QVariantAnimation(this);
  spin->setStartValue(0.0);
  spin->setEndValue(360.0);
  spin->setDuration(kRevolutionMs);
  spin->setLoopCount(-1);
  connect(spin, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    angle_ = value.toReal();
    update();
  });
  spin_ = spin;
  spin->start(QAbstractAnimation::DeleteWhenStopped);
  if (hidesWhenStopped_) show();
}

void ActivityIndicator::stopAnimating() {
  if (spin_) spin_->stop();  // deletes itself when stopped
  spin_ = nullptr;
  if (hidesWhenStopped_) hide();
  update();
}

bool ActivityIndicator::isAnimating() const { return spin_ != nullptr; }

void ActivityIndicator::setColor(const QColor& color) {
  color_ = color;
  update();
}

QColor ActivityIndicator::color() const { return color_; }

void ActivityIndicator::setHidesWhenStopped(bool hides) {
  hidesWhenStopped_ = hides;
  if (hides) setVisible(isAnimating());
}

bool ActivityIndicator::hidesWhenStopped() const { return hidesWhenStopped_; }

void ActivityIndicator::setDiameter(int diameter) {
  diameter_ = std::max(8, diameter);
  updateGeometry();
  update();
}

void ActivityIndicator::setCaption(const QString& caption) {
  caption_ = caption;
  updateGeometry();
  update();
}

QString ActivityIndicator::caption() const { return caption_; }

int ActivityIndicator::captionHeight() const {
  if (caption_.isEmpty()) return 0;
  return kCaptionGap + QFontMetrics(font()).height();
}

QSize ActivityIndicator::sizeHint() const {
  const int captionWidth =
      caption_.isEmpty() ? 0 : QFontMetrics(font()).horizontalAdvance(caption_);
  return {std::max(diameter_ + 8, captionWidth + 8), diameter_ + 8 + captionHeight()};
}

QSize ActivityIndicator::minimumSizeHint() const { return sizeHint(); }

// The arc and its caption sit together in the middle of the widget.
void ActivityIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int diameter = std::min({diameter_, width() - 4, height() - 4 - captionHeight()});
  if (diameter <= 0) return;
  const int blockHeight = diameter + captionHeight();
  const QRectF arc((width() - diameter) / 2.0, (height() - blockHeight) / 2.0, diameter, diameter);
  const qreal stroke = std::max(2.0, diameter / 9.0);

  QColor track = color_;
  track.setAlphaF(0.15);
  painter.setPen(QPen(track, stroke, Qt::SolidLine, Qt::RoundCap));
  painter.drawEllipse(arc.adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2));
  painter.setPen(QPen(color_, stroke, Qt::SolidLine, Qt::RoundCap));
  const int start = static_cast<int>(-angle_ * 16) + 90 * 16;
  painter.drawArc(arc.adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2), start,
                  -kArcSpanDegrees * 16);

  if (!caption_.isEmpty()) {
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF text(0, arc.bottom() + kCaptionGap, width(), QFontMetrics(font()).height());
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop, caption_);
  }
}

}  // namespace tarvel::detail
