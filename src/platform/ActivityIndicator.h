#pragma once

#include <QColor>    // QColor
#include <QPointer>  // QPointer
#include <QString>   // QString
#include <QWidget>   // QWidget

class QVariantAnimation;

namespace tarvel::detail {

/// A spinning arc, like a phone toolkit's activity indicator, with an optional caption below
/// it. It spins between `startAnimating` and `stopAnimating`; showing and hiding it is left to
/// its owner unless `hidesWhenStopped` is set, when it shows itself while it spins and hides
/// otherwise. The spin is drawing only: it runs on Qt's animation timer, not on the clock that
/// drives the component's behaviour.
class ActivityIndicator : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor color READ color WRITE setColor)
  Q_PROPERTY(bool hidesWhenStopped READ hidesWhenStopped WRITE setHidesWhenStopped)

 public:
  explicit ActivityIndicator(QWidget* parent = nullptr);
  ~ActivityIndicator() override;

  void startAnimating();
  void stopAnimating();
  bool isAnimating() const;

  /// The arc's colour (the theme's green by default).
  void setColor(const QColor& color);
  QColor color() const;
  /// Whether the indicator is visible only while it spins (false by default).
  void setHidesWhenStopped(bool hides);
  bool hidesWhenStopped() const;
  /// Diameter of the arc in pixels (36 by default).
  void setDiameter(int diameter);
  /// Text drawn under the arc; none by default.
  void setCaption(const QString& caption);
  QString caption() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int captionHeight() const;

  QPointer<QVariantAnimation> spin_;
  QColor color_;
  int diameter_ = 36;
  QString caption_;
  qreal angle_ = 0;
  bool hidesWhenStopped_ = false;
};

}  // namespace tarvel::detail
