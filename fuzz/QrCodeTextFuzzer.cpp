// Any text as a verify answer's "qrCode": decoding never crashes, and it gives either an image
// or a reason, never both and never neither.
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <string>

#include "screens/upi/QrCodeDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const tarvel::detail::DecodedQrCode decoded = tarvel::detail::decodeQrCode(text);
  if (decoded.image.isNull() == decoded.failure.empty()) std::abort();
  if (text.find(',') == std::string::npos && !decoded.image.isNull()) std::abort();
  return 0;
}
