#pragma once

#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// How a screen reports the end of its flow to the entry object.
class TARVEL_CHECKOUT_EXPORT CheckoutStatusDelegate {
 public:
  virtual ~CheckoutStatusDelegate() = default;

  /// The screen's flow has ended with `status` (true on success) and the result `data`.
  virtual void checkOutCompleted(bool status, const Dictionary& data) = 0;
};

}  // namespace tarvel
