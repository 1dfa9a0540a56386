#include "platform/Application.h"

#include <utility>  // move

#include <QGuiApplication>
#include <QPointer>

#include "platform/GioUrlSchemeRegistry.h"
#include "platform/MainQueue.h"
#include "platform/ReplaceableInstance.h"
#include "platform/UrlScheme.h"

namespace tarvel::detail {

namespace {

ReplaceableInstance<UrlSchemeRegistry>& installedRegistry() {
  static ReplaceableInstance<UrlSchemeRegistry> registry(
      [] { return std::make_shared<GioUrlSchemeRegistry>(); });
  return registry;
}

}  // namespace

Application::Application(QObject* parent) : QObject(parent) {
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(gui, &QGuiApplication::applicationStateChanged, this,
            &Application::applyApplicationState);
  }
}

Application* Application::shared() {
  static QPointer<Application> instance;
  if (!instance) instance = new Application(QCoreApplication::instance());
  return instance;
}

bool Application::canOpenURL(const std::string& url) const {
  const std::string scheme = urlScheme(url);
  return !scheme.empty() && urlSchemeRegistry()->hasHandler(scheme);
}

void Application::open(const std::string& url, std::function<void(bool)> completion) {
  auto finish = [completion = std::move(completion)](bool launched) {
    if (completion) MainQueue::async([completion, launched] { completion(launched); });
  };
  if (!canOpenURL(url)) {
    finish(false);
    return;
  }
  urlSchemeRegistry()->open(url, std::move(finish));
}

void Application::setUrlSchemeRegistry(std::shared_ptr<UrlSchemeRegistry> registry) {
  installedRegistry().set(std::move(registry));
}

std::shared_ptr<UrlSchemeRegistry> Application::urlSchemeRegistry() {
  return installedRegistry().get();
}

bool Application::isActive() const { return active_; }

void Application::applyApplicationState(Qt::ApplicationState state) {
  const bool active = state == Qt::ApplicationActive;
  if (active == active_) return;
  active_ = active;
  if (active) {
    emit didBecomeActive();
  } else {
    emit willResignActive();
  }
}

}  // namespace tarvel::detail
