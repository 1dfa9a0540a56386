// Any text as a hex colour: never crashes, and the rule "a length that is not 3, 6 or 8
// characters gives opaque black" holds for plain ASCII input.
#include <algorithm>  // all_of
#include <cstddef>    // size_t
#include <cstdint>    // uint8_t
#include <cstdlib>    // abort
#include <string_view>

#include "tarvel/Color.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tarvel::Color colour = tarvel::Color::fromHexString(text);
  const bool alphanumericAscii =
      size > 0 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      });
  if (alphanumericAscii && size != 3 && size != 6 && size != 8 &&
      !(colour == tarvel::Color{0, 0, 0, 255})) {
    std::abort();
  }
  return 0;
}
