#include "Base64.h"

#include <vector>  // vector

#include <openssl/evp.h>

namespace tarvel::sandbox {

std::string Base64::encode(std::string_view bytes) {
  std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
  const int written =
      EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(written));
}

std::optional<std::string> Base64::decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::vector<unsigned char> out(3 * (text.size() / 4) + 1);
  const int written =
      EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
  if (written < 0) return std::nullopt;
  // EVP_DecodeBlock counts the padding as zero bytes; drop them again.
  std::size_t size = static_cast<std::size_t>(written);
  if (!text.empty() && text.back() == '=') --size;
  if (text.size() >= 2 && text[text.size() - 2] == '=') --size;
  return std::string(reinterpret_cast<const char*>(out.data()), size);
}

}  // namespace tarvel::sandbox
