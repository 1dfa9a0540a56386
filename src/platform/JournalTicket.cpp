#include "platform/JournalTicket.h"

#include "platform/CheckoutJournal.h"

namespace tarvel::detail {

void JournalTicket::arm() {
  std::lock_guard<std::mutex> lock(mutex_);
  armed_ = true;
}

void JournalTicket::record(const UnfinishedCheckout& entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!armed_ || done_ || !id_.empty()) return;
  id_ = CheckoutJournal::shared().record(entry);
  done_ = id_.empty();
}

void JournalTicket::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (done_) return;
  done_ = true;
  CheckoutJournal::shared().remove(id_);
}

}  // namespace tarvel::detail
