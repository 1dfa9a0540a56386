#include "config/ExtraCaScope.h"

#include <algorithm>  // any_of
#include <string>     // string
#include <vector>     // vector

#include "config/HttpUrl.h"
#include "tarvel/Config.h"

namespace tarvel::detail {
namespace {

struct Scope {
  std::vector<std::string> stagingOrigins;
  std::vector<std::string> productionHosts;
};

Scope readScope() {
  Scope scope;
  for (const auto& base :
       {Config::devBaseURL(), Config::devAppAnalyticsBaseURL(), Config::devWebCheckoutBaseURL()}) {
    if (auto url = HttpUrl::parse(base)) scope.stagingOrigins.push_back(url->origin());
  }
  for (const auto& base :
       {Config::baseURL(), Config::appAnalyticsBaseURL(), Config::webCheckoutBaseURL()}) {
    if (auto url = HttpUrl::parse(base)) scope.productionHosts.push_back(url->host());
  }
  return scope;
}

// The base URLs never change once read, so neither does the scope.
const Scope& scope() {
  static const Scope instance = readScope();
  return instance;
}

bool contains(const std::vector<std::string>& list, const std::string& value) {
  return std::any_of(list.begin(), list.end(), [&](const auto& item) { return item == value; });
}

}  // namespace

bool extraCaAppliesTo(std::string_view url) {
  auto parsed = HttpUrl::parse(url);
  if (!parsed || contains(scope().productionHosts, parsed->host())) return false;
  return contains(scope().stagingOrigins, parsed->origin());
}

}  // namespace tarvel::detail
