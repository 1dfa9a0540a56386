#include "platform/WindowHideWatcher.h"

#include <utility>  // move, exchange

#include <QEvent>
#include <QWidget>

#include "platform/MainQueue.h"

namespace tarvel::detail {

WindowHideWatcher::WindowHideWatcher(QWidget* window, std::function<void()> hidden, QObject* parent)
    : QObject(parent), window_(window), hidden_(std::move(hidden)) {
  if (window) window->installEventFilter(this);
}

// A hide event also comes with minimising; whether the window is really gone is known once
// the hiding is over.
bool WindowHideWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Hide) {
    QPointer<WindowHideWatcher> self(this);
    MainQueue::async([self] {
      if (!self || !self->window_ || self->window_->isVisible() || !self->hidden_) return;
      std::exchange(self->hidden_, nullptr)();
    });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tarvel::detail
