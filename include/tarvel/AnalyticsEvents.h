#pragma once

#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/AnalyticsEnvironment.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// Builders of the analytics events the screens send through a view model's `appAnalytics`.
///
/// Every payload holds "type" "event", "name", "platform" "iOS", "timestamp" (whole seconds
/// since 1970 as a JSON integer, the fraction dropped), "version" "v1.2.0", "source" "direct"
/// and "userAgent". The identity block "requestId", "orderType", "merchantId", "tarvelOid" is
/// copied from "request_id", "order_type", "mid", "tarvel_oid" of `identitySource` (the verified
/// order on the UPI screen, the create data on the OTP screen) only when all four are texts;
/// otherwise none of them is sent.

/// "click" under "event_type", with "name" and "event" set to the app being opened.
TARVEL_CHECKOUT_EXPORT Dictionary
clickEvent(const std::string& appIdentifier, const Dictionary& identitySource,
           const AnalyticsEnvironment& environment = AnalyticsEnvironment::current());

/// "page_load" under "eventType", "name" "app listing", "app_count" = the installed apps found.
TARVEL_CHECKOUT_EXPORT Dictionary
pageLoadEvent(int appCount, const Dictionary& identitySource,
              const AnalyticsEnvironment& environment = AnalyticsEnvironment::current());

/// "otp_dialog_load" under "eventType", "name" "otp".
TARVEL_CHECKOUT_EXPORT Dictionary
otpDialogLoadEvent(const Dictionary& identitySource,
                   const AnalyticsEnvironment& environment = AnalyticsEnvironment::current());

/// "TarveliOSSDK/1.0 (<model>; CPU OS <version with "." as "_"> like Mac OS X; <model>)
/// almofire/v1.2.0", the text the analytics host expects.
TARVEL_CHECKOUT_EXPORT std::string userAgent(std::string_view modelName,
                                             std::string_view systemVersion);

}  // namespace tarvel
