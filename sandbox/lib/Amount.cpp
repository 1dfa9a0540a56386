#include "Amount.h"

#include <cctype>  // isdigit
#include <cmath>   // llround

namespace tarvel::sandbox {
namespace {

constexpr std::size_t kMaxIntegerDigits = 10;

std::optional<std::int64_t> digitsValue(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::optional<std::int64_t> Amount::paise(std::string_view text) {
  const auto dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  if (whole.empty() || whole.size() > kMaxIntegerDigits || fraction.size() > 2) {
    return std::nullopt;
  }
  if (dot != std::string_view::npos && fraction.empty()) return std::nullopt;
  const auto rupees = digitsValue(whole);
  const auto cents = digitsValue(fraction);
  if (!rupees || !cents) return std::nullopt;
  return *rupees * 100 + (fraction.size() == 1 ? *cents * 10 : *cents);
}

std::optional<std::int64_t> Amount::paiseOfJson(const nlohmann::json& value) {
  if (value.is_string()) return paise(std::string_view(value.get_ref<const std::string&>()));
  if (!value.is_number()) return std::nullopt;
  const double rupees = value.get<double>();
  if (!(rupees >= 0.0) || rupees >= 1e10) return std::nullopt;
  return static_cast<std::int64_t>(std::llround(rupees * 100.0));
}

std::string Amount::text(std::int64_t paise) {
  const std::int64_t fraction = paise % 100;
  return std::to_string(paise / 100) + (fraction < 10 ? ".0" : ".") + std::to_string(fraction);
}

}  // namespace tarvel::sandbox
