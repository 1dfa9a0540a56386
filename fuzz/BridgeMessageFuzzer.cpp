// Any bytes as a hosted page's script message: the body is always an object (empty unless the
// text is a JSON object within the bounds), and the two log lines stay bounded whatever the
// page sends.
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <string_view>

#include "screens/web/BridgeMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tarvel::detail::BridgeMessage;
  if (size < 1) return 0;
  const std::string_view name = (data[0] & 1) ? "onSuccess" : "onFailure";
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
  const BridgeMessage message = BridgeMessage::read(name, body);
  if (!message.body.is_object()) std::abort();
  if (body.size() > BridgeMessage::kMaxBytes && !message.body.empty()) std::abort();
  if (message.receivedLogLine.rfind("Received message from native: ", 0) != 0) std::abort();
  // Each line cuts its copy of the body; the rest of a line is a few words.
  constexpr std::size_t kLineBound = 4 * 4096 + 256;
  if (message.receivedLogLine.size() > kLineBound || message.bodyLogLine.size() > kLineBound) {
    std::abort();
  }
  return 0;
}
