#include "tarvel/APIError.h"

#include <array>    // array
#include <utility>  // pair

namespace tarvel {
namespace {

constexpr std::array<std::pair<APIError, std::string_view>, 4> kRawValues{{
    {APIError::noNetwork, "No Network"},
    {APIError::dataNotFound, "Data Not Found"},
    {APIError::jsonParsingError, "Json Parsing Error"},
    {APIError::invalidStatusCode, "Invalid Status Code"},
}};

}  // namespace

std::string_view rawValue(APIError error) {
  for (const auto& [candidate, text] : kRawValues) {
    if (candidate == error) return text;
  }
  return {};
}

std::optional<APIError> apiErrorFromRawValue(std::string_view text) {
  for (const auto& [error, candidate] : kRawValues) {
    if (candidate == text) return error;
  }
  return std::nullopt;
}

}  // namespace tarvel
