#include "platform/DispatchToken.h"

namespace tarvel::detail {

DispatchToken::DispatchToken() : cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

void DispatchToken::cancel() const { cancelled_->store(true); }

bool DispatchToken::isCancelled() const { return cancelled_->load(); }

}  // namespace tarvel::detail
