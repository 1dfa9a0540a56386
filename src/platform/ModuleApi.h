#pragma once

#include <cstddef>      // size_t
#include <functional>   // function
#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

class QWidget;

namespace tarvel {
class CheckoutScreen;
}

/// Exports one of the component's internals to its web checkout module (see below).
#define TARVEL_MODULE_API __attribute__((visibility("default")))

// What the web checkout module needs from the component beyond the public API, and nothing
// else. The component is compiled with hidden visibility, so its internals (tarvel::detail) are
// not visible to a module loaded beside it, whether the component is linked statically into the
// host or is libtarvel-checkout.so: these functions are, under a name of their own, and forward
// to the internals. The module keeps one log, one main queue, one journal and one environment
// with the host this way.
namespace tarvel::module_api {

/// `detail::MainQueue::async`.
TARVEL_MODULE_API void runOnMainQueue(std::function<void()> work);
/// `detail::MainQueue::isMainThread`.
TARVEL_MODULE_API bool isMainThread();
/// `detail::Application::shared()->open`: hands `url` to the desktop's handler of its scheme.
TARVEL_MODULE_API void openUrl(const std::string& url, std::function<void(bool)> completion);
/// `detail::showFocusFromKeyboardOnly`.
TARVEL_MODULE_API void showFocusFromKeyboardOnly(QWidget* widget);
/// `detail::extraCaAppliesTo`.
TARVEL_MODULE_API bool extraCaAppliesTo(std::string_view url);
/// `detail::describeForLog`: redaction follows the component's own (process-wide) state.
TARVEL_MODULE_API std::string describeForLog(const Dictionary& dictionary, std::size_t maxBytes);
/// `detail::shortenedForLog`.
TARVEL_MODULE_API std::string shortenedForLog(std::string_view text, std::size_t maxBytes);
/// Records the web checkout of `screen` in the journal of unfinished checkouts, once the
/// shopper can pay on the page.
TARVEL_MODULE_API void recordUnfinishedWebCheckout(const CheckoutScreen& screen);

}  // namespace tarvel::module_api
