#include "BridgeMessage.h"

#include "config/BoundedJson.h"
#include "network/LogRedaction.h"

namespace tarvel::detail {

BridgeMessage BridgeMessage::read(std::string_view name, std::string_view bodyJson) {
  const BoundedJson parsed = parseBoundedJson(bodyJson, kMaxBytes, kMaxDepth);
  BridgeMessage message;
  std::string bodyText;
  if (!parsed) {
    bodyText = "<cut: " + std::string(describe(parsed.refusal)) + ", " +
               std::to_string(bodyJson.size()) + " bytes>";
  } else {
    bodyText = describeForLog(*parsed.value);
  }
  message.body =
      parsed && parsed.value->is_object() ? std::move(*parsed.value) : Dictionary::object();
  message.receivedLogLine =
      "Received message from native: ScriptMessage(name: " + shortenedForLog(name, 256) +
      ", body: " + bodyText + ")";
  message.bodyLogLine = "[" + describeForLog(message.body) + "]";
  return message;
}

}  // namespace tarvel::detail
