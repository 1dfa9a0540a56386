#include "HttpJson.h"

namespace tarvel::sandbox {

void HttpJson::send(httplib::Response& response, int status, const nlohmann::json& body) {
  response.status = status;
  // Replacement keeps invalid UTF-8 from an echoed request from throwing here.
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

void HttpJson::error(httplib::Response& response, int status, std::string_view message) {
  send(response, status, {{"error", std::string(message)}});
}

std::optional<nlohmann::json> HttpJson::objectBody(const httplib::Request& request,
                                                   httplib::Response& response) {
  auto body = nlohmann::json::parse(request.body, nullptr, false);
  if (body.is_discarded()) {
    error(response, 400, "request body is not JSON");
    return std::nullopt;
  }
  if (!body.is_object()) {
    error(response, 400, "request body is not a JSON object");
    return std::nullopt;
  }
  return body;
}

std::optional<std::string> HttpJson::text(const nlohmann::json& object, std::string_view key) {
  if (!object.is_object()) return std::nullopt;
  const auto found = object.find(key);
  if (found == object.end()) return std::nullopt;
  if (found->is_string()) return found->get<std::string>();
  if (found->is_number()) return found->dump();
  return std::nullopt;
}

std::optional<std::string> HttpJson::requiredText(const nlohmann::json& object,
                                                  std::string_view key,
                                                  httplib::Response& response) {
  auto value = text(object, key);
  if (!value) error(response, 400, "missing text value \"" + std::string(key) + "\"");
  return value;
}

}  // namespace tarvel::sandbox
