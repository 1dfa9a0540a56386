#pragma once

#include "SandboxServer.h"

namespace tarvel::test {

/// The sandbox platform this process's component talks to (HTTPS, on 127.0.0.1).
sandbox::SandboxServer& secretsSandbox();

}  // namespace tarvel::test
