#pragma once

#include "tarvel/Log.h"

namespace tarvel::detail {

/// The sink the component's lines go to while the host has installed none: stderr when unset.
/// The Qt layer installs one that writes through the "tarvel.checkout" logging category, so
/// hosts filter the lines the Qt way. Thread-safe, like `setLogSink`.
void setDefaultLogSink(LeveledLogSink sink);

}  // namespace tarvel::detail
