#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr

namespace tarvel::detail {

class CheckoutCore;

/// Recovers the checkouts that earlier processes left unfinished in the journal: asks the
/// platform for each one's payment status with the polling's own request and reports to the
/// host, through `core`, a paid one, and an unpaid one whose payment window has passed. Every
/// report carries "recovered": true, "moid" and "tarvel_oid"; an entry goes from the journal
/// only after its report. Entries that cannot be decided yet stay for a later run.
class CheckoutRecovery {
 public:
  /// Starts a recovery; `finished` (may be empty) runs once on the main thread when every
  /// claimed entry has been decided.
  static void start(std::shared_ptr<CheckoutCore> core, std::function<void()> finished);
};

}  // namespace tarvel::detail
