#pragma once

#include <string>  // string

namespace tarvel::test {

/// The URL scheme that the platform tests' private desktop registry has a handler for.
inline constexpr const char* kRegisteredScheme = "tarveltestpay";

/// The file the registered handler writes the URL it was launched with into.
std::string registeredHandlerOutputFile();

}  // namespace tarvel::test
