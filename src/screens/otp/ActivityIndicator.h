#pragma once

#include <QWidget>

class QVariantAnimation;

namespace tarvel::detail {

/// A spinning ring that says "working", shown only while it animates, like a phone toolkit's
/// activity indicator with hidesWhenStopped. The spin is decoration: it runs on Qt's animation
/// timer, not on the component's clock.
class ActivityIndicator : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor color READ color WRITE setColor)

 public:
  explicit ActivityIndicator(QWidget* parent = nullptr);
  ~ActivityIndicator() override;

  /// Shows the indicator and starts the spin.
  void startAnimating();
  /// Stops the spin and hides the indicator.
  void stopAnimating();
  bool isAnimating() const;

  QColor color() const;
  void setColor(const QColor& color);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVariantAnimation* spin_ = nullptr;
  QColor color_{0x0A, 0x9C, 0x4D};
  qreal angle_ = 0;
};

}  // namespace tarvel::detail
