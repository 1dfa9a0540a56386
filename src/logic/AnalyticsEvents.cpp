#include "tarvel/AnalyticsEvents.h"

#include <cmath>    // isfinite, trunc, ldexp
#include <cstdint>  // int64_t
#include <limits>   // numeric_limits

#include "config/DictionaryReading.h"
#include "tarvel/OrderKeys.h"

namespace tarvel {
namespace {

struct IdentityKey {
  const char* payloadKey;
  std::string_view sourceKey;
};

constexpr IdentityKey kIdentityKeys[] = {{"requestId", OrderKeys::requestId},
                                         {"orderType", OrderKeys::orderType},
                                         {"merchantId", OrderKeys::mid},
                                         {"tarvelOid", OrderKeys::tarvelOid}};

// Truncated toward zero; a clock value no integer can hold is clamped rather than left to
// undefined conversion.
std::int64_t wholeSeconds(double seconds) {
  if (!std::isfinite(seconds)) return 0;
  const double limit = std::ldexp(1.0, 63);
  if (seconds >= limit) return std::numeric_limits<std::int64_t>::max();
  if (seconds < -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(seconds));
}

void addIdentity(const Dictionary& source, Dictionary& payload) {
  Dictionary identity = Dictionary::object();
  for (const auto& key : kIdentityKeys) {
    auto value = detail::stringValue(source, key.sourceKey);
    if (!value) return;  // all four or none
    identity[key.payloadKey] = std::move(*value);
  }
  payload.update(identity);
}

Dictionary baseEvent(const char* kindKey, const char* kind, const std::string& name,
                     const Dictionary& identitySource, const AnalyticsEnvironment& environment) {
  Dictionary payload = Dictionary::object();
  payload[kindKey] = kind;
  payload["type"] = "event";
  payload["name"] = name;
  payload["platform"] = "iOS";
  payload["timestamp"] = wholeSeconds(environment.secondsSince1970);
  payload["version"] = "v1.2.0";
  payload["source"] = "direct";
  payload["userAgent"] = userAgent(environment.modelName, environment.systemVersion);
  addIdentity(identitySource, payload);
  return payload;
}

}  // namespace

Dictionary clickEvent(const std::string& appIdentifier, const Dictionary& identitySource,
                      const AnalyticsEnvironment& environment) {
  Dictionary payload = baseEvent("event_type", "click", appIdentifier, identitySource, environment);
  payload["event"] = appIdentifier;
  return payload;
}

Dictionary pageLoadEvent(int appCount, const Dictionary& identitySource,
                         const AnalyticsEnvironment& environment) {
  Dictionary payload =
      baseEvent("eventType", "page_load", "app listing", identitySource, environment);
  payload["app_count"] = appCount;
  return payload;
}

Dictionary otpDialogLoadEvent(const Dictionary& identitySource,
                              const AnalyticsEnvironment& environment) {
  return baseEvent("eventType", "otp_dialog_load", "otp", identitySource, environment);
}

std::string userAgent(std::string_view modelName, std::string_view systemVersion) {
  std::string version(systemVersion);
  for (char& c : version) {
    if (c == '.') c = '_';
  }
  std::string text = "TarveliOSSDK/1.0 (";
  text.append(modelName).append("; CPU OS ").append(version).append(" like Mac OS X; ");
  text.append(modelName).append(") almofire/v1.2.0");
  return text;
}

}  // namespace tarvel
