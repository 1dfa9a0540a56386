#pragma once

#include <cstdint>      // uint32_t
#include <random>       // random_device
#include <string>       // string
#include <string_view>  // string_view

namespace tarvel::test {

/// `label` followed by 32 random hexadecimal digits: a value that cannot turn up in a log, a
/// port number or an answer by chance, for tests that search for it (or its absence).
///
///   const std::string otp = test::uniqueMarker("otp");
///   ... EXPECT_FALSE(log.contains(otp));
inline std::string uniqueMarker(std::string_view label) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device entropy;
  std::string marker(label);
  marker += '-';
  for (int word = 0; word < 4; ++word) {
    std::uint32_t bits = entropy();
    for (int digit = 0; digit < 8; ++digit, bits >>= 4) marker += kHex[bits & 0xF];
  }
  return marker;
}

}  // namespace tarvel::test
