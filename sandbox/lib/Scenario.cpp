#include "Scenario.h"

#include <algorithm>  // max, min
#include <array>      // array
#include <cctype>     // isalnum, isdigit
#include <utility>    // pair

namespace tarvel::sandbox {
namespace {

constexpr std::string_view kPaidAfter = "paid-after-";
constexpr int kMaxPolls = 1000;

constexpr std::array<std::pair<std::string_view, Fault>, 10> kFaults = {{
    {"slow", Fault::slow},
    {"server-error", Fault::serverError},
    {"not-json", Fault::notJson},
    {"no-data", Fault::noData},
    {"drop", Fault::dropConnection},
    {"server-error-text", Fault::serverErrorText},
    {"not-object", Fault::notObject},
    {"gigantic", Fault::gigantic},
    {"not-utf8", Fault::notUtf8},
    {"ill-typed", Fault::illTyped},
}};

constexpr std::array<std::pair<std::string_view, Endpoint>, 5> kEndpoints = {{
    {"verify", Endpoint::verify},
    {"capture", Endpoint::capture},
    {"otp", Endpoint::otp},
    {"rto", Endpoint::rto},
    {"web", Endpoint::web},
}};

// Names whose whole effect is a flag; "auto-success" and "auto-failure" only steer the hosted
// page, which reads the moid itself.
bool applyFlag(std::string_view name, Scenario& scenario) {
  if (name == "verify-failed")
    scenario.verifyFails = true;
  else if (name == "otp-verified")
    scenario.otpVerified = true;
  else if (name == "merchant-verified")
    scenario.merchantVerified = true;
  else if (name == "no-uapp")
    scenario.withoutApps = true;
  else if (name == "no-ulink")
    scenario.withoutLink = true;
  else if (name == "no-qr")
    scenario.withoutQrCode = true;
  else if (name == "never-pays")
    scenario.neverPays = true;
  else if (name == "chatty")
    scenario.chatty = true;
  else if (name == "paid")
    scenario.paidAfterPolls = 1;
  else if (name == "auto-success" || name == "auto-failure")
    return true;
  else
    return false;
  return true;
}

bool applyFault(std::string_view name, Scenario& scenario) {
  for (const auto& [faultName, fault] : kFaults) {
    if (name.substr(0, faultName.size()) != faultName) continue;
    const std::string_view rest = name.substr(faultName.size());
    if (rest.empty()) {
      scenario.fault = fault;
      scenario.faultEndpoint.reset();
      return true;
    }
    for (const auto& [endpointName, endpoint] : kEndpoints) {
      if (rest.size() == endpointName.size() + 1 && rest[0] == '-' &&
          rest.substr(1) == endpointName) {
        scenario.fault = fault;
        scenario.faultEndpoint = endpoint;
        return true;
      }
    }
  }
  return false;
}

// "paid-after-N" with N digits; N is kept between 1 and kMaxPolls.
bool applyPaidAfter(std::string_view name, Scenario& scenario) {
  if (name.substr(0, kPaidAfter.size()) != kPaidAfter) return false;
  const std::string_view digits = name.substr(kPaidAfter.size());
  if (digits.empty() || digits.size() > 4) return false;
  int polls = 0;
  for (char c : digits) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
    polls = polls * 10 + (c - '0');
  }
  scenario.paidAfterPolls = std::clamp(polls, 1, kMaxPolls);
  return true;
}

bool apply(std::string_view name, Scenario& scenario) {
  return applyFlag(name, scenario) || applyPaidAfter(name, scenario) || applyFault(name, scenario);
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool endsName(std::string_view moid, std::size_t length) {
  return length == moid.size() || std::isalnum(static_cast<unsigned char>(moid[length])) == 0;
}

// The length of "paid-after-<digits>" at the start of `moid`, or 0.
std::size_t paidAfterLength(std::string_view moid) {
  if (moid.substr(0, kPaidAfter.size()) != kPaidAfter) return 0;
  std::size_t length = kPaidAfter.size();
  while (length < moid.size() && std::isdigit(static_cast<unsigned char>(moid[length])) != 0) {
    ++length;
  }
  return length > kPaidAfter.size() && endsName(moid, length) ? length : 0;
}

}  // namespace

Fault Scenario::faultAt(Endpoint endpoint) const {
  if (faultEndpoint ? *faultEndpoint != endpoint : endpoint == Endpoint::web) return Fault::none;
  return fault;
}

std::optional<Scenario> Scenario::parseList(std::string_view names, std::string* unknown) {
  Scenario scenario;
  while (!names.empty()) {
    const auto comma = names.find(',');
    const std::string_view name = trimmed(names.substr(0, comma));
    names = comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
    if (name.empty()) continue;
    if (!apply(name, scenario)) {
      if (unknown) *unknown = std::string(name);
      return std::nullopt;
    }
  }
  return scenario;
}

Scenario Scenario::fromMoid(std::string_view moid) {
  Scenario scenario;
  std::size_t best = paidAfterLength(moid);
  if (best == 0) {
    for (const auto& name : names()) {
      if (name.size() > best && moid.substr(0, name.size()) == name &&
          endsName(moid, name.size())) {
        best = name.size();
      }
    }
  }
  if (best > 0) apply(moid.substr(0, best), scenario);
  return scenario;
}

std::vector<std::string> Scenario::names() {
  std::vector<std::string> all = {"verify-failed", "otp-verified", "merchant-verified", "no-uapp",
                                  "no-ulink",      "no-qr",        "never-pays",        "paid",
                                  "chatty",        "auto-success", "auto-failure"};
  for (const auto& [faultName, fault] : kFaults) {
    all.emplace_back(faultName);
    for (const auto& [endpointName, endpoint] : kEndpoints) {
      all.push_back(std::string(faultName) + "-" + std::string(endpointName));
    }
  }
  return all;
}

}  // namespace tarvel::sandbox
