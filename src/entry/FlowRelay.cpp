#include "entry/FlowRelay.h"

#include <utility>  // move

#include <QObject>

#include "entry/CheckoutCore.h"
#include "platform/JournalTicket.h"
#include "platform/MainQueue.h"
#include "tarvel/Log.h"

namespace tarvel::detail {

FlowRelay::FlowRelay(std::shared_ptr<CheckoutCore> core, std::string screenName)
    : core_(std::move(core)), screenName_(std::move(screenName)) {}

FlowRelay::~FlowRelay() = default;

void FlowRelay::watch(QObject* screen) {
  // The connection holds the relay, so it outlives the screen's own reference to it.
  auto self = shared_from_this();
  QObject::connect(screen, &QObject::destroyed, [self] { self->screenDestroyed(); });
}

bool FlowRelay::claim() { return !reported_.exchange(true); }

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
    log("Dropped a second outcome of " + screenName_ + " (status " + (status ? "true" : "false") +
        "): its flow has already ended");
    return;
  }
  pass(status, data);
}

void FlowRelay::fail(const std::string& error) {
  if (!claim()) return;
  log(error);
  auto self = shared_from_this();
  MainQueue::async([self, error] { self->pass(false, Dictionary{{"error", error}}); });
}

void FlowRelay::screenDestroyed() {
  core_->screenClosed();
  if (reported_.load()) return;
  auto self = shared_from_this();
  MainQueue::async([self] {
    if (!self->claim()) return;
    const std::string error = self->screenName_ + " was closed before the checkout finished.";
    log(error);
    self->pass(false, Dictionary{{"error", error}});
  });
}

}  // namespace tarvel::detail
