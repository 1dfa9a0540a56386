#include "Redaction.h"

namespace demo {

tarvel::Dictionary redacted(const tarvel::Dictionary& data) {
  if (data.is_array()) {
    tarvel::Dictionary copy = tarvel::Dictionary::array();
    for (const auto& item : data) copy.push_back(redacted(item));
    return copy;
  }
  if (!data.is_object()) return data;
  tarvel::Dictionary copy = tarvel::Dictionary::object();
  for (const auto& [key, value] : data.items()) {
    copy[key] =
        key == "auth_token" || key == "otp" ? tarvel::Dictionary("<hidden>") : redacted(value);
  }
  return copy;
}

}  // namespace demo
