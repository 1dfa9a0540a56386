#pragma once

#include <string>  // string
#include <vector>  // vector

#include "SandboxServer.h"

namespace tarvel::test {

/// The process's sandbox platform, on 127.0.0.1 over HTTPS; the component's staging hosts point
/// at it and trust its CA.
sandbox::SandboxServer& otpSandbox();

/// The lines the sandbox has printed so far (requests, OTP notices), oldest first.
std::vector<std::string> otpSandboxConsole();

}  // namespace tarvel::test
