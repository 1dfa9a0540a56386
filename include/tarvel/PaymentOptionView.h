#pragma once

#include <memory>  // unique_ptr

#include <QPointer>  // QPointer
#include <QRect>     // QRect
#include <QWidget>   // QWidget

#include "tarvel/Export.h"

class QLabel;
class QPushButton;

namespace Ui {
class PaymentOptionView;
}

namespace tarvel {

/// One UPI application in the list of payment options: a tile whose content comes from the
/// component's layout "PaymentOptionView". The list sets the button's title, image and action;
/// the other outlets are styled by the layout alone.
///
/// The content is loaded into an inner widget placed at the tile's bounds when the tile is
/// created; it keeps that geometry when the tile is resized later. The face leaves a few pixels
/// free at the tile's edges (most below), because a child's drop shadow is clipped at its
/// parent's bounds: there the shadow that the list gives the button stays visible.
class TARVEL_CHECKOUT_EXPORT PaymentOptionView : public QWidget {
  Q_OBJECT

 public:
  /// A tile at `frame` (in the parent's coordinates).
  explicit PaymentOptionView(const QRect& frame, QWidget* parent = nullptr);
  /// A tile of the default size, e.g. when a layout file places it.
  explicit PaymentOptionView(QWidget* parent = nullptr);
  ~PaymentOptionView() override;

  /// The tappable face of the tile.
  QPushButton* buttonUPIOption() const;
  /// The tile's background.
  QWidget* bgView() const;
  /// The application image slot.
  QLabel* imageUPI() const;
  /// The application name slot.
  QLabel* labelUPIName() const;

  /// The widget the layout was loaded into, or nothing when loading gave no widget.
  QWidget* contentView() const;

 private:
  void commonInit();

  std::unique_ptr<Ui::PaymentOptionView> ui_;
  QPointer<QWidget> contentView_;
};

}  // namespace tarvel
