#pragma once

#include <QPixmap>  // QPixmap
#include <QWidget>  // QWidget

namespace tarvel::detail {

/// The dimmed, blurred backdrop behind a half-size sheet: a blurred picture of the container
/// under a dark tint, drawn at `alpha` (0 invisible, 1 opaque). A tap on it emits `tapped`.
class PresentationBackdrop : public QWidget {
  Q_OBJECT
  Q_PROPERTY(qreal alpha READ alpha WRITE setAlpha)

 public:
  explicit PresentationBackdrop(QWidget* parent = nullptr);

  qreal alpha() const { return alpha_; }
  void setAlpha(qreal alpha);

  /// The picture of the container that the backdrop blurs; scaled to the backdrop's size.
  void setSnapshot(const QPixmap& snapshot);

 signals:
  void tapped();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  qreal alpha_ = 0;
  QPixmap snapshot_;
  bool pressed_ = false;
};

}  // namespace tarvel::detail
