#include "UpiAppClient.h"

#include <utility>  // move

#include <httplib.h>

namespace tarvel::sandbox {
namespace {

constexpr time_t kConnectSeconds = 5;
constexpr time_t kReadSeconds = 10;

}  // namespace

UpiAppClient::UpiAppClient(std::string origin, std::string caFile)
    : origin_(std::move(origin)), caFile_(std::move(caFile)) {}

std::optional<std::string> UpiAppClient::originOf(std::string_view url) {
  const auto separator = url.find("://");
  if (separator == std::string_view::npos || separator == 0) return std::nullopt;
  const std::string_view scheme = url.substr(0, separator);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  const auto pathStart = url.find('/', separator + 3);
  const std::string_view origin = url.substr(0, pathStart);
  if (origin.size() == separator + 3) return std::nullopt;
  return std::string(origin);
}

UpiAppClient::Result UpiAppClient::pay(const UpiLink& link) const {
  httplib::Client client(origin_);
  if (!client.is_valid()) return {false, "cannot use the sandbox address " + origin_, {}};
  if (!caFile_.empty()) client.set_ca_cert_path(caFile_.c_str());
  client.set_connection_timeout(kConnectSeconds);
  client.set_read_timeout(kReadSeconds);

  nlohmann::json body = {{"tr", link.reference}, {"app", link.scheme}, {"pa", link.payeeAddress}};
  if (!link.amount.empty()) body["am"] = link.amount;
  const auto answer = client.Post("/control/pay", body.dump(), "application/json");
  if (!answer) {
    return {false,
            "cannot reach the sandbox at " + origin_ + ": " + httplib::to_string(answer.error()),
            {}};
  }
  const auto reply = nlohmann::json::parse(answer->body, nullptr, false);
  const bool isObject = reply.is_object();
  if (answer->status != 200) {
    std::string reason = isObject && reply.contains("error") && reply["error"].is_string()
                             ? reply["error"].get<std::string>()
                             : "status " + std::to_string(answer->status);
    return {false, "the sandbox refused the payment: " + reason, {}};
  }
  Result result;
  result.paid = true;
  result.message = isObject && reply.value("message", nlohmann::json()).is_string()
                       ? reply["message"].get<std::string>()
                       : "Payment recorded";
  if (isObject && reply.contains("data")) result.order = reply["data"];
  return result;
}

}  // namespace tarvel::sandbox
