#pragma once

#include <cstddef>      // size_t
#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// One script message of the hosted page, read as the web checkout reports it: the body the
/// host receives and the two log lines it writes. The page is outside the component, so the
/// body's JSON text is bounded as the platform's answers are: a text over the bounds, or one
/// that is not a JSON object, gives an empty body, and the first log line says why.
struct BridgeMessage {
  static constexpr std::size_t kMaxBytes = 64 * 1024;
  static constexpr std::size_t kMaxDepth = 64;

  Dictionary body;              ///< always an object
  std::string receivedLogLine;  ///< "Received message from native: ScriptMessage(...)"
  std::string bodyLogLine;      ///< the body as a one-element list, "[{...}]"

  static BridgeMessage read(std::string_view name, std::string_view bodyJson);
};

}  // namespace tarvel::detail
