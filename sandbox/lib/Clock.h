#pragma once

#include <chrono>      // steady_clock
#include <functional>  // function

namespace tarvel::sandbox {

/// Where the sandbox reads the current time; tests put a manual clock here to expire OTPs
/// without waiting.
using Clock = std::function<std::chrono::steady_clock::time_point()>;

}  // namespace tarvel::sandbox
