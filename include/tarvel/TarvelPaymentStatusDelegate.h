#pragma once

#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// Implemented by the host application: receives the one outcome of each checkout flow.
class TARVEL_CHECKOUT_EXPORT TarvelPaymentStatusDelegate {
 public:
  virtual ~TarvelPaymentStatusDelegate() = default;

  /// The flow has ended. `status` is true on success; `data` is the flow's result dictionary.
  /// Called on the main (GUI) thread, exactly once per flow.
  virtual void tarvelPayment(bool status, const Dictionary& data) = 0;
};

}  // namespace tarvel
