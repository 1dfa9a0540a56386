#include "entry/FlowRelay.h"

#include <functional>  // function
#include <utility>     // move

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "entry/CheckoutCore.h"
#include "platform/MainQueue.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

namespace {

// Calls `closed` after a close event that the window accepted. A child of the screen, so that
// it goes with it.
class WindowCloseWatcher : public QObject {
 public:
  WindowCloseWatcher(QWidget* screen, std::function<void()> closed)
      : QObject(screen), window_(screen->window()), closed_(std::move(closed)) {
    window_->installEventFilter(this);
  }
  ~WindowCloseWatcher() override {
    if (window_) window_->removeEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // The window may still refuse the close: look again once it has been handled.
    if (watched == window_ && event->type() == QEvent::Close) {
      QTimer::singleShot(0, this, [this] {
        if (window_ && !window_->isVisible()) closed_();
      });
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
  std::function<void()> closed_;
};

}  // namespace

FlowRelay::FlowRelay(std::shared_ptr<CheckoutCore> core, std::string screenName)
    : core_(std::move(core)), screenName_(std::move(screenName)) {}

FlowRelay::~FlowRelay() = default;

void FlowRelay::watch(QObject* screen) {
  // The connection holds the relay, so it outlives the screen's own reference to it.
  auto self = shared_from_this();
  QObject::connect(screen, &QObject::destroyed, [self] { self->screenDestroyed(); });
}

void FlowRelay::watchWindow(QWidget* screen) {
  std::weak_ptr<FlowRelay> weak = shared_from_this();
  QPointer<QWidget> watched(screen);
  new WindowCloseWatcher(screen, [weak, watched] {
    if (auto self = weak.lock()) self->fail(self->closedError());
    if (watched) watched->deleteLater();
  });
}

std::string FlowRelay::closedError() const {
  return screenName_ + " was closed before the checkout finished.";
}

bool FlowRelay::claim() { return !reported_.exchange(true); }

void FlowRelay::checkOutCompleted(bool status, const Dictionary& data) {
  if (!claim()) {
    log("Dropped a second outcome of " + screenName_ + " (status " + (status ? "true" : "false") +
        "): its flow has already ended");
    return;
  }
  core_->passScreenOutcome(status, data);
}

void FlowRelay::fail(const std::string& error) {
  if (!claim()) return;
  log(error);
  auto self = shared_from_this();
  MainQueue::async([self, error] {
    self->core_->passScreenOutcome(false, Dictionary{{"error", error}});
  });
}

void FlowRelay::screenDestroyed() {
  core_->screenClosed();
  if (reported_.load()) return;
  auto self = shared_from_this();
  MainQueue::async([self] {
    if (!self->claim()) return;
    const std::string error = self->closedError();
    log(error);
    self->core_->passScreenOutcome(false, Dictionary{{"error", error}});
  });
}

}  // namespace tarvel::detail
