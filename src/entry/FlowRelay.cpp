#include "entry/FlowRelay.h"

#include <utility>  // move

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "entry/CheckoutCore.h"
#include "entry/OpenOrders.h"
#include "platform/JournalTicket.h"
#include "platform/MainQueue.h"
#include "platform/WindowHideWatcher.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

FlowRelay::FlowRelay(std::shared_ptr<CheckoutCore> core, std::string screenName, std::string order)
    : core_(std::move(core)), screenName_(std::move(screenName)), order_(std::move(order)) {}

FlowRelay::~FlowRelay() = default;

void FlowRelay::watch(QObject* screen) {
  // The connection holds the relay, so it outlives the screen's own reference to it.
  auto self = shared_from_this();
  QObject::connect(screen, &QObject::destroyed, [self] { self->screenDestroyed(); });
}

void FlowRelay::watchWindow(QWidget* screen) {
  std::weak_ptr<FlowRelay> weak = shared_from_this();
  QPointer<QWidget> watched(screen);
  new WindowHideWatcher(
      screen->window(),
      [weak, watched] {
        if (auto self = weak.lock()) self->fail(self->closedError());
        if (watched) watched->deleteLater();
      },
      screen);
}

std::string FlowRelay::closedError() const {
  return screenName_ + " was closed before the checkout finished.";
}

// The first report ends the flow, and with it the order is free to be opened again.
bool FlowRelay::claim() {
  if (reported_.exchange(true)) return false;
  if (!order_.empty()) OpenOrders::release(order_);
  return true;
}

void FlowRelay::followJournal(std::shared_ptr<JournalTicket> ticket) {
  journal_ = std::move(ticket);
  if (journal_) journal_->arm();
}

// The journal entry goes only once the host has the outcome.
void FlowRelay::pass(bool status, const Dictionary& data) {
  core_->passScreenOutcome(status, data);
  if (journal_) journal_->close();
}

void FlowRelay::checkOutCompleted(bool status, const Dictionary& data) {
  if (!claim()) {
    log(LogLevel::warning, "Dropped a second outcome of " + screenName_ + " (status " +
                               (status ? "true" : "false") + "): its flow has already ended");
    return;
  }
  pass(status, data);
}

void FlowRelay::fail(const std::string& error) {
  if (!claim()) return;
  log(LogLevel::warning, error);
  auto self = shared_from_this();
  MainQueue::async([self, error] { self->pass(false, Dictionary{{"error", error}}); });
}

void FlowRelay::screenDestroyed() {
  core_->screenClosed();
  if (reported_.load()) return;
  auto self = shared_from_this();
  MainQueue::async([self] {
    if (!self->claim()) return;
    const std::string error = self->closedError();
    log(LogLevel::warning, error);
    self->pass(false, Dictionary{{"error", error}});
  });
}

}  // namespace tarvel::detail
