#pragma once

#include <cstddef>  // size_t
#include <string>   // string

namespace tarvel::sandbox {

/// Random texts from OpenSSL's generator, for tokens, order identifiers and OTPs that a test
/// cannot guess.
class SecureRandom {
 public:
  /// `bytes` random bytes as lower-case hexadecimal (twice as many characters).
  static std::string hex(std::size_t bytes);
  /// `count` decimal digits, each uniform over 0-9.
  static std::string digits(std::size_t count);
};

}  // namespace tarvel::sandbox
