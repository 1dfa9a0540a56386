#pragma once

#include <functional>   // function
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"

namespace tarvel {

/// Receives every console line the component writes, one call a line, without a newline.
///
/// The sink runs on the thread that logs (often the URL loader's) and is never called with a
/// lock of the component held, so it may log through the component itself, replace the sink,
/// or wait for another thread that logs. It may therefore be called concurrently from several
/// threads and re-entrantly from within itself: a sink that keeps state guards it itself.
using LogSink = std::function<void(std::string_view line)>;

/// Replaces the sink; an empty sink restores the default, which writes each line to stderr
/// with a single write(2), so lines from different threads never interleave. Thread-safe.
/// Returns once every call still running in the replaced sink has returned (so the caller may
/// free what that sink used), except when called from inside a sink.
void setLogSink(LogSink sink);

/// Writes one line to the sink. A sink that throws loses the line; nothing reaches the caller.
/// Callers never pass secrets: logged dictionaries go through `detail::describeForLog` first,
/// and every line has the phone numbers of the orders in this process masked to their last
/// four digits and a code next to the word "OTP" removed before any sink sees it.
void log(std::string_view line);

/// `data` as the component would log it: the value under every key that contains "token",
/// "secret" or "password", or has a word part beginning or ending with "otp", "pin", "cvv" or
/// "card" (in any case), replaced by "<redacted>", and numbers of 10 or more digits under keys
/// that contain "phone", "mobile" or "msisdn" masked to their last four digits. For hosts that
/// log or show outcomes (the cash-on-delivery success carries the order's "auth_token").
Dictionary redactedForLog(const Dictionary& data);

}  // namespace tarvel
