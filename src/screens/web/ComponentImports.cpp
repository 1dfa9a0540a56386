// The module's side of tarvel::module_api (platform/ModuleApi.h): the component's internals the
// module's code calls, defined here (hidden in the module) as calls of the functions the
// component exports for its module. The module so uses the host's one main queue, log redaction
// and certificate scope whether the component is linked statically or is a shared library.
#include <utility>  // move

#include "config/ExtraCaScope.h"
#include "network/LogRedaction.h"
#include "platform/KeyboardFocus.h"
#include "platform/MainQueue.h"
#include "platform/ModuleApi.h"

namespace tarvel::detail {

void MainQueue::async(std::function<void()> work) { module_api::runOnMainQueue(std::move(work)); }

bool MainQueue::isMainThread() { return module_api::isMainThread(); }

void showFocusFromKeyboardOnly(QWidget* widget) { module_api::showFocusFromKeyboardOnly(widget); }

bool extraCaAppliesTo(std::string_view url) { return module_api::extraCaAppliesTo(url); }

std::string describeForLog(const Dictionary& dictionary, std::size_t maxBytes) {
  return module_api::describeForLog(dictionary, maxBytes);
}

std::string shortenedForLog(std::string_view text, std::size_t maxBytes) {
  return module_api::shortenedForLog(text, maxBytes);
}

}  // namespace tarvel::detail
