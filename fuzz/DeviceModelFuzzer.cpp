// Any text as a hardware model identifier: never crashes, and always answers with some text.
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <string_view>

#include "tarvel/DeviceModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view identifier(reinterpret_cast<const char*>(data), size);
  const std::string name = tarvel::mapToDevice(identifier);
  if (name.empty() && !identifier.empty()) std::abort();
  return 0;
}
