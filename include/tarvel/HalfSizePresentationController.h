#pragma once

#include <functional>  // function

#include <QObject>   // QObject
#include <QPointer>  // QPointer
#include <QRect>     // QRect
#include <QSize>     // QSize

#include "tarvel/Export.h"

class QPropertyAnimation;
class QWidget;

namespace tarvel {

namespace detail {
class PresentationBackdrop;
}

/// Presents a screen as a sheet over part of a container: the sheet's top edge sits at one fifth
/// of the container's height, its corners are rounded (radius 10), and the rest of the container
/// lies under a dimmed, blurred backdrop. A tap on the backdrop dismisses the sheet.
///
/// The backdrop fades in (alpha 0 to 0.4) while presenting and out (0.4 to 0) while dismissing,
/// and is removed when the dismissal completes. Sheet and backdrop follow every resize of the
/// container. The presented widget (any QWidget; a `ViewController` receives its appearance
/// hooks from being shown and hidden) is moved into the container for the presentation; when it
/// is dismissed it goes back to its former parent, or is deleted later if it had none.
///
/// One controller serves one presentation. Use on the GUI thread.
class TARVEL_CHECKOUT_EXPORT HalfSizePresentationController : public QObject {
  Q_OBJECT

 public:
  /// How long each backdrop fade takes.
  static constexpr int kTransitionMilliseconds = 300;

  /// A controller for presenting `presentedViewController` over `presentingViewController`
  /// (whose window is the default container), which may be nullptr.
  HalfSizePresentationController(QWidget* presentedViewController,
                                 QWidget* presentingViewController, QObject* parent = nullptr);
  ~HalfSizePresentationController() override;

  /// Starts the presentation in `containerView`, or in the presenting screen's window when it
  /// is nullptr. Without a container, or once presented, nothing happens.
  void present(QWidget* containerView = nullptr);

  /// Starts the dismissal; the backdrop's tap calls it. Does nothing unless presented or
  /// presenting, and nothing once the container is gone (its window closed with the sheet).
  void dismiss();

  /// The frame of the sheet: x 0, y one fifth of the container's height, the container's size.
  QRect frameOfPresentedViewInContainerView() const;

  /// The widget shown as the sheet, or nullptr once it is gone.
  QWidget* presentedView() const;
  /// The widget the sheet covers, from `present` on; nullptr before, or once it is gone.
  QWidget* containerView() const;
  /// The backdrop that covers the container while the sheet is shown.
  QWidget* blurEffectView() const;
  /// True from `present` until the dismissal starts or the container is destroyed.
  bool isPresented() const;

 signals:
  /// The backdrop has faded in.
  void presentationCompleted();
  /// The backdrop is gone and the presented widget released.
  void dismissalCompleted();

 protected:
  /// The sheet's size for a container of `containerSize`; the container's size by default.
  virtual QSize sizeForPresentedView(const QSize& containerSize) const;

  /// Lays sheet and backdrop out again when the container is resized while presented.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class State { idle, presenting, presented, dismissing, dismissed };

  void presentationTransitionWillBegin();
  void dismissalTransitionWillBegin();
  void containerViewWillLayoutSubviews();
  void containerViewDidLayoutSubviews();
  void fadeBackdrop(qreal alpha, std::function<void()> completion);
  void releasePresentedView();

  State state_ = State::idle;
  QPointer<QWidget> presented_;
  QPointer<QWidget> presenting_;
  QPointer<QWidget> container_;
  QPointer<QWidget> formerParent_;
  QPointer<detail::PresentationBackdrop> blurEffectView_;
  QPointer<QPropertyAnimation> fade_;
};

}  // namespace tarvel
