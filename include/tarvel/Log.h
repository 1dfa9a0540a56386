#pragma once

/// \file
/// The component's console lines: where they go (`tarvel::setLogSink`), and
/// `tarvel::redactedForLog` for hosts that log or show an outcome themselves.

#include <cstddef>      // nullptr_t
#include <functional>   // function
#include <string_view>  // string_view

#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

namespace tarvel {

/// How much a console line matters: `warning` for errors and refusals (a request not sent, an
/// answer refused, a flow that ends in a failure, a dropped second outcome), `info` for a
/// flow's progress, `debug` for dumps of whole answers and messages.
enum class LogLevel { debug, info, warning };

/// Receives every console line the component writes, one call a line, without a newline.
///
/// The sink runs on the thread that logs (often the URL loader's) and is never called with a
/// lock of the component held, so it may log through the component itself, replace the sink,
/// or wait for another thread that logs. It may therefore be called concurrently from several
/// threads and re-entrantly from within itself: a sink that keeps state guards it itself.
using LogSink = std::function<void(std::string_view line)>;

/// The same, with each line's level: a host that keeps only warnings filters on it.
///
/// \code
///   tarvel::setLogSink([](tarvel::LogLevel level, std::string_view line) {
///     if (level == tarvel::LogLevel::warning) myLog.warn(line);
///   });
/// \endcode
using LeveledLogSink = std::function<void(LogLevel level, std::string_view line)>;

/// Replaces the sink; an empty sink (or nullptr) restores the default, which writes each line
/// through the Qt logging category "tarvel.checkout" at the line's level once an entry object
/// or screen exists, and before that to stderr with a single write(2), so lines from different
/// threads never interleave. Thread-safe. Returns once every call still running in the replaced
/// sink has returned (so the caller may free what that sink used), except when called from
/// inside a sink. A `LogSink` receives the lines of every level.
/// @{
TARVEL_CHECKOUT_EXPORT void setLogSink(LogSink sink);
TARVEL_CHECKOUT_EXPORT void setLogSink(LeveledLogSink sink);
TARVEL_CHECKOUT_EXPORT void setLogSink(std::nullptr_t);
/// @}

/// Writes one line at `level` to the sink. A sink that throws loses the line; nothing reaches
/// the caller. Callers never pass secrets: logged dictionaries go through
/// `detail::describeForLog` first, and every line has the phone numbers of the orders in this
/// process masked to their last four digits and a code next to the word "OTP" removed before
/// any sink sees it.
TARVEL_CHECKOUT_EXPORT void log(LogLevel level, std::string_view line);
/// Writes one line at `LogLevel::info`.
TARVEL_CHECKOUT_EXPORT void log(std::string_view line);

/// `data` as the component would log it: the value under every key that contains "token",
/// "secret" or "password", or has a word part beginning or ending with "otp", "pin", "cvv" or
/// "card" (in any case), replaced by "<redacted>", and numbers of 10 or more digits under keys
/// that contain "phone", "mobile" or "msisdn" masked to their last four digits. For hosts that
/// log or show outcomes (the cash-on-delivery success carries the order's "auth_token").
TARVEL_CHECKOUT_EXPORT Dictionary redactedForLog(const Dictionary& data);

}  // namespace tarvel
