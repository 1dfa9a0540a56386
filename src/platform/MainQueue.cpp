#include "platform/MainQueue.h"

#include <atomic>   // atomic
#include <deque>    // deque
#include <map>      // map
#include <mutex>    // mutex, lock_guard
#include <utility>  // move

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "platform/ReplaceableInstance.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

namespace {

// The default clock: one QTimer per scheduled callback, owned by the application object.
class QtClock : public Clock {
 public:
  TimerId schedule(std::chrono::milliseconds delay, bool repeating,
                   std::function<void()> callback) override {
    const TimerId id = nextId_++;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeating);
    timer->setInterval(delay);
    auto shared = std::make_shared<std::function<void()>>(std::move(callback));
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, repeating, shared] {
      if (!repeating) cancel(id);
      (*shared)();
    });
    timers_[id] = timer;
    timer->start();
    return id;
  }

  void cancel(TimerId id) override {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    if (QTimer* timer = found->second) {
      timer->stop();
      timer->deleteLater();
    }
    timers_.erase(found);
  }

 private:
  TimerId nextId_ = 1;
  std::map<TimerId, QPointer<QTimer>> timers_;
};

std::mutex& pendingMutex() {
  static std::mutex mutex;
  return mutex;
}

std::deque<std::function<void()>>& pendingWork() {
  static std::deque<std::function<void()>> work;
  return work;
}

void runOnePending() {
  std::function<void()> work;
  {
    std::lock_guard<std::mutex> lock(pendingMutex());
    if (pendingWork().empty()) return;
    work = std::move(pendingWork().front());
    pendingWork().pop_front();
  }
  work();
}

// Receives one posted event per dispatched block and runs one pending block for each.
class WakeUpReceiver : public QObject {
 protected:
  void customEvent(QEvent*) override { runOnePending(); }
};

std::atomic<const QObject*> madeReceiver{nullptr};

// Made once, for the thread of the first application object; it lives for the process.
QObject* wakeUpReceiver(QCoreApplication* app) {
  static QObject* receiver = [app] {
    auto* made = new WakeUpReceiver;
    made->moveToThread(app->thread());
    madeReceiver = made;
    return made;
  }();
  return receiver;
}

std::shared_ptr<Clock> defaultClock() {
  static std::shared_ptr<Clock> clock = std::make_shared<QtClock>();
  return clock;
}

ReplaceableInstance<Clock>& installedClock() {
  static ReplaceableInstance<Clock> clock(defaultClock);
  return clock;
}

}  // namespace

// Work crosses threads through a queue under a standard mutex; the posted Qt event only says
// "take one". Qt's event queue is not visible to ThreadSanitizer, the standard mutex is: the
// event is made while the mutex is held and is not looked at, so everything the main thread
// touches is ordered by the mutex.
void MainQueue::async(std::function<void()> work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    log(LogLevel::warning, "MainQueue: no application object, work dropped");
    return;
  }
  QObject* receiver = wakeUpReceiver(app);
  std::lock_guard<std::mutex> lock(pendingMutex());
  pendingWork().push_back(std::move(work));
  QCoreApplication::postEvent(receiver, new QEvent(QEvent::User));
}

bool MainQueue::isWakeUpReceiver(const QObject* object) {
  return object != nullptr && object == madeReceiver.load();
}

DispatchToken MainQueue::asyncAfter(std::chrono::milliseconds delay, std::function<void()> work) {
  DispatchToken token;
  auto run = [token, work = std::move(work)] {
    if (!token.isCancelled()) work();
  };
  auto scheduleOnClock = [delay, run = std::move(run)]() mutable {
    clock()->schedule(delay, false, std::move(run));
  };
  if (isMainThread()) {
    scheduleOnClock();
  } else {
    async(std::move(scheduleOnClock));
  }
  return token;
}

void MainQueue::setClock(std::shared_ptr<Clock> clock) { installedClock().set(std::move(clock)); }

std::shared_ptr<Clock> MainQueue::clock() { return installedClock().get(); }

bool MainQueue::isMainThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace tarvel::detail
