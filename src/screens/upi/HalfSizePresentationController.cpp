#include "tarvel/HalfSizePresentationController.h"

#include <utility>  // move

#include <QEvent>              // QEvent
#include <QPainterPath>        // QPainterPath
#include <QPropertyAnimation>  // QPropertyAnimation
#include <QRegion>             // QRegion
#include <QWidget>             // QWidget

#include "PresentationBackdrop.h"

namespace tarvel {
namespace {

constexpr qreal kDimmedAlpha = 0.4;
constexpr qreal kCornerRadius = 10;
constexpr double kSheetTopFraction = 0.2;

QRegion roundedRegion(const QSize& size, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), radius, radius);
  return QRegion(path.toFillPolygon().toPolygon());
}

}  // namespace

HalfSizePresentationController::HalfSizePresentationController(QWidget* presentedViewController,
                                                               QWidget* presentingViewController,
                                                               QObject* parent)
    : QObject(parent),
      presented_(presentedViewController),
      presenting_(presentingViewController),
      blurEffectView_(new detail::PresentationBackdrop) {
  blurEffectView_->hide();
  connect(blurEffectView_, &detail::PresentationBackdrop::tapped, this,
          &HalfSizePresentationController::dismiss);
}

// The backdrop belongs to the container while it is shown; a container that is gone has
// deleted it already, which the QPointer notices.
HalfSizePresentationController::~HalfSizePresentationController() {
  if (container_) container_->removeEventFilter(this);
  delete blurEffectView_.data();
}

void HalfSizePresentationController::present(QWidget* containerView) {
  if (state_ != State::idle || !presented_) return;
  QWidget* container =
      containerView ? containerView : (presenting_ ? presenting_->window() : nullptr);
  if (!container) return;
  container_ = container;
  state_ = State::presenting;
  presentationTransitionWillBegin();

  formerParent_ = presented_->parentWidget();
  presented_->setParent(container_);
  container_->installEventFilter(this);
  containerViewWillLayoutSubviews();
  containerViewDidLayoutSubviews();
  presented_->show();
  presented_->raise();

  fadeBackdrop(kDimmedAlpha, [this] {
    state_ = State::presented;
    emit presentationCompleted();
  });
}

// A container that is gone (its window closed) took the backdrop and the sheet with it.
void HalfSizePresentationController::dismiss() {
  if (!isPresented()) return;
  state_ = State::dismissing;
  dismissalTransitionWillBegin();
}

QRect HalfSizePresentationController::frameOfPresentedViewInContainerView() const {
  if (!container_) return {};
  const QSize size = sizeForPresentedView(container_->size());
  const int top = qRound(kSheetTopFraction * container_->height());
  return QRect(QPoint(0, top), size);
}

QSize HalfSizePresentationController::sizeForPresentedView(const QSize& containerSize) const {
  return containerSize;
}

QWidget* HalfSizePresentationController::presentedView() const { return presented_; }

QWidget* HalfSizePresentationController::containerView() const { return container_; }

QWidget* HalfSizePresentationController::blurEffectView() const { return blurEffectView_; }

bool HalfSizePresentationController::isPresented() const {
  return container_ && (state_ == State::presenting || state_ == State::presented);
}

bool HalfSizePresentationController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == container_ && event->type() == QEvent::Resize && isPresented()) {
    containerViewWillLayoutSubviews();
    containerViewDidLayoutSubviews();
  }
  return QObject::eventFilter(watched, event);
}

// The backdrop blurs a picture of the container as it was before the sheet came up.
void HalfSizePresentationController::presentationTransitionWillBegin() {
  blurEffectView_->setSnapshot(container_->grab());
  blurEffectView_->setAlpha(0);
  blurEffectView_->setParent(container_);
  blurEffectView_->setGeometry(container_->rect());
  blurEffectView_->show();
  blurEffectView_->raise();
}

void HalfSizePresentationController::dismissalTransitionWillBegin() {
  fadeBackdrop(0, [this] {
    if (blurEffectView_) {
      blurEffectView_->hide();
      blurEffectView_->setParent(nullptr);
    }
    if (container_) container_->removeEventFilter(this);
    releasePresentedView();
    state_ = State::dismissed;
    emit dismissalCompleted();
  });
}

void HalfSizePresentationController::containerViewWillLayoutSubviews() {
  if (presented_) {
    presented_->setMask(roundedRegion(frameOfPresentedViewInContainerView().size(), kCornerRadius));
  }
}

void HalfSizePresentationController::containerViewDidLayoutSubviews() {
  if (presented_) presented_->setGeometry(frameOfPresentedViewInContainerView());
  if (blurEffectView_ && container_) blurEffectView_->setGeometry(container_->rect());
}

void HalfSizePresentationController::fadeBackdrop(qreal alpha, std::function<void()> completion) {
  if (fade_) fade_->stop();  // a dismissal may start while the sheet is still coming up
  auto* fade = new QPropertyAnimation(blurEffectView_, "alpha", this);
  fade->setDuration(kTransitionMilliseconds);
  fade->setStartValue(blurEffectView_->alpha());
  fade->setEndValue(alpha);
  connect(fade, &QPropertyAnimation::finished, this, std::move(completion));
  fade_ = fade;
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

// Back to where it came from; a widget that had no parent now has no owner but the
// presentation, which lets it go.
void HalfSizePresentationController::releasePresentedView() {
  if (!presented_) return;
  presented_->hide();
  presented_->clearMask();
  if (formerParent_) {
    presented_->setParent(formerParent_);
  } else {
    presented_->setParent(nullptr);
    presented_->deleteLater();
  }
}

}  // namespace tarvel
