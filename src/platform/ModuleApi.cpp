#include "platform/ModuleApi.h"

#include <utility>  // move

#include "config/ExtraCaScope.h"
#include "network/LogRedaction.h"
#include "platform/Application.h"
#include "platform/JournalTicket.h"
#include "platform/KeyboardFocus.h"
#include "platform/MainQueue.h"
#include "platform/UnfinishedCheckout.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/NetworkManager.h"

namespace tarvel::module_api {

void runOnMainQueue(std::function<void()> work) { detail::MainQueue::async(std::move(work)); }

bool isMainThread() { return detail::MainQueue::isMainThread(); }

void openUrl(const std::string& url, std::function<void(bool)> completion) {
  detail::Application::shared()->open(url, std::move(completion));
}

void showFocusFromKeyboardOnly(QWidget* widget) { detail::showFocusFromKeyboardOnly(widget); }

bool extraCaAppliesTo(std::string_view url) { return detail::extraCaAppliesTo(url); }

std::string describeForLog(const Dictionary& dictionary, std::size_t maxBytes) {
  return detail::describeForLog(dictionary, maxBytes);
}

std::string shortenedForLog(std::string_view text, std::size_t maxBytes) {
  return detail::shortenedForLog(text, maxBytes);
}

void recordUnfinishedWebCheckout(const CheckoutScreen& screen) {
  screen.journalTicket()->record(detail::UnfinishedCheckout::fromOrder(
      detail::UnfinishedCheckout::Flow::web, NetworkManager::environment(), screen.createData(),
      Dictionary::object()));
}

}  // namespace tarvel::module_api
