#pragma once

#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace tarvel::sandbox {

/// JSON in and out of cpp-httplib: bodies that must be objects, text fields, and the
/// {"error": "..."} answer every endpoint gives to a bad request.
class HttpJson {
 public:
  static void send(httplib::Response& response, int status, const nlohmann::json& body);
  /// {"error": message} with `status`.
  static void error(httplib::Response& response, int status, std::string_view message);
  /// The body as a JSON object; otherwise a 400 answer is sent and nothing returned.
  static std::optional<nlohmann::json> objectBody(const httplib::Request& request,
                                                  httplib::Response& response);
  /// The text under `key`; a number is taken in its JSON form, anything else is missing.
  static std::optional<std::string> text(const nlohmann::json& object, std::string_view key);
  /// As `text`, but a missing value sends a 400 answer naming the key.
  static std::optional<std::string> requiredText(const nlohmann::json& object, std::string_view key,
                                                 httplib::Response& response);
};

}  // namespace tarvel::sandbox
