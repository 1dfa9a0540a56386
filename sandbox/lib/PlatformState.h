#pragma once

#include <string>       // string
#include <string_view>  // string_view
#include <utility>      // move

#include "EventLog.h"
#include "OrderBook.h"
#include "OtpBook.h"
#include "SandboxOptions.h"

namespace tarvel::sandbox {

/// What the endpoints share: the options and the three bounded stores.
struct PlatformState {
  explicit PlatformState(SandboxOptions options)
      : options(std::move(options)),
        orders(this->options.maxOrders),
        otps(this->options.maxOtps, this->options.clock, this->options.otpLifetime,
             this->options.otpMaxAttempts),
        events(this->options.maxEvents) {}

  /// One console line, when a console is set. Control characters from request values are
  /// shown as "?", so a request cannot forge console lines.
  void say(std::string_view line) const {
    if (!options.console) return;
    std::string printable(line);
    for (char& c : printable) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    }
    options.console(printable);
  }

  void reset() {
    orders.clear();
    otps.clear();
    events.clear();
  }

  const SandboxOptions options;
  OrderBook orders;
  OtpBook otps;
  EventLog events;
};

}  // namespace tarvel::sandbox
