#pragma once

#include <functional>   // function
#include <string_view>  // string_view

namespace tarvel {

/// Receives every console line the component writes, one call a line, without a newline.
using LogSink = std::function<void(std::string_view line)>;

/// Replaces the sink (stderr by default); an empty sink restores stderr. Thread-safe; the sink
/// may be called from any thread, never concurrently with itself.
void setLogSink(LogSink sink);

/// Writes one line to the sink. Callers never pass secrets: logged dictionaries go through
/// `detail::describeForLog` first.
void log(std::string_view line);

}  // namespace tarvel
