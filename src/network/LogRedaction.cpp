#include "network/LogRedaction.h"

#include <array>        // array
#include <string_view>  // string_view

namespace tarvel::detail {
namespace {

constexpr std::array<std::string_view, 2> kSecretKeys{"auth_token", "otp"};

bool isSecretKey(std::string_view key) {
  for (auto secret : kSecretKeys) {
    if (key == secret) return true;
  }
  return false;
}

void redactInPlace(Dictionary& value) {
  if (value.is_object()) {
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (isSecretKey(it.key())) {
        it.value() = "<redacted>";
      } else {
        redactInPlace(it.value());
      }
    }
  } else if (value.is_array()) {
    for (auto& element : value) redactInPlace(element);
  }
}

}  // namespace

std::string describeForLog(const Dictionary& dictionary) {
  Dictionary copy = dictionary;
  redactInPlace(copy);
  return copy.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tarvel::detail
