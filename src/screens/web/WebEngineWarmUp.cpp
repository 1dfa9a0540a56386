#include "WebEngineWarmUp.h"

#include <utility>  // move
#include <vector>   // vector

#include <QApplication>
#include <QPointer>
#include <QUrl>
#include <QWebEnginePage>     // QWebEnginePage
#include <QWebEngineProfile>  // QWebEngineProfile

#include "platform/MainQueue.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// Main thread only.
struct WarmUpState {
  QPointer<QWebEnginePage> page;
  bool started = false;
  bool ready = false;
  bool released = false;
  std::vector<std::function<void()>> waiting;
};

WarmUpState& warmUpState() {
  static WarmUpState state;
  return state;
}

void runWaiting() {
  auto& state = warmUpState();
  state.ready = true;
  auto waiting = std::move(state.waiting);
  state.waiting.clear();
  for (auto& ready : waiting) {
    if (ready) ready();
  }
}

}  // namespace

void WebEngineWarmUp::start(std::function<void()> ready) {
  if (!MainQueue::isMainThread()) {
    MainQueue::async([ready = std::move(ready)]() mutable { start(std::move(ready)); });
    return;
  }
  auto& state = warmUpState();
  // A web checkout that opened before any warm-up has started the engine already.
  if (state.ready || (state.released && !state.started)) {
    state.ready = true;
    if (ready) ready();
    return;
  }
  state.waiting.push_back(std::move(ready));
  if (state.started) return;
  state.started = true;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    log(LogLevel::warning, "Web checkout warm-up needs a QApplication; nothing started");
    runWaiting();
    return;
  }
  log(LogLevel::info, "Web checkout: starting the web engine ahead of the first checkout");
  state.page = new QWebEnginePage(QWebEngineProfile::defaultProfile(), qApp);
  QObject::connect(state.page, &QWebEnginePage::loadFinished, state.page, [] {
    if (warmUpState().released && warmUpState().page) warmUpState().page->deleteLater();
    runWaiting();
  });
  state.page->load(QUrl(QStringLiteral("about:blank")));
}

void WebEngineWarmUp::release() {
  auto& state = warmUpState();
  state.released = true;
  if (state.page && state.ready) state.page->deleteLater();
}

}  // namespace tarvel::detail
