#include "SecureRandom.h"

#include <array>   // array
#include <random>  // random_device, fallback only
#include <vector>  // vector

#include <openssl/rand.h>

namespace tarvel::sandbox {
namespace {

void fillRandom(unsigned char* data, std::size_t size) {
  if (size == 0 || RAND_bytes(data, static_cast<int>(size)) == 1) return;
  // OpenSSL's generator failing is not expected; a weaker source still keeps tokens distinct.
  std::random_device device;
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(device());
}

}  // namespace

std::string SecureRandom::hex(std::size_t bytes) {
  static constexpr std::array<char, 16> kHexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                      '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
  std::vector<unsigned char> raw(bytes);
  fillRandom(raw.data(), raw.size());
  std::string text;
  text.reserve(bytes * 2);
  for (unsigned char byte : raw) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0f]);
  }
  return text;
}

std::string SecureRandom::digits(std::size_t count) {
  std::string text;
  text.reserve(count);
  while (text.size() < count) {
    unsigned char byte = 0;
    fillRandom(&byte, 1);
    // Bytes of 250 and above would favour the digits 0-5; drawing again keeps all ten equal.
    if (byte < 250) text.push_back(static_cast<char>('0' + byte % 10));
  }
  return text;
}

}  // namespace tarvel::sandbox
