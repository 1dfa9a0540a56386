#pragma once

#include <mutex>   // mutex
#include <string>  // string

#include "platform/UnfinishedCheckout.h"

namespace tarvel::detail {

/// One flow's place in the journal of unfinished checkouts: the screen records the checkout
/// once the shopper can pay, and whoever passed the flow's outcome to the host closes it.
class JournalTicket {
 public:
  /// Someone will close the ticket once the outcome reached the host. Until then `record`
  /// writes nothing: a screen a host shows on its own reports to the host directly, and its
  /// entry would never be closed.
  void arm();
  /// The first call of an armed ticket writes the entry; later ones, and any after `close`,
  /// do nothing.
  void record(const UnfinishedCheckout& entry);
  /// The outcome reached the host: the entry, if any, goes.
  void close();

 private:
  std::mutex mutex_;  // guards the fields below
  std::string id_;
  bool armed_ = false;
  bool done_ = false;
};

}  // namespace tarvel::detail
