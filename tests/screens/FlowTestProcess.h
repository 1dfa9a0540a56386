#pragma once

#include <string>  // string
#include <vector>  // vector

#include "SandboxServer.h"

namespace tarvel::test {

/// The sandbox platform this process's component talks to (HTTPS, on 127.0.0.1).
sandbox::SandboxServer& sandboxPlatform();

/// The lines the sandbox has printed so far (requests, OTP notices), oldest first.
std::vector<std::string> sandboxConsole();

}  // namespace tarvel::test
