#pragma once

#include <string>       // string
#include <string_view>  // string_view

#include "tarvel/Export.h"

namespace tarvel {

/// The marketing name for a hardware model identifier, e.g. "iPhone14,2" -> "iPhone 13 Pro".
/// Matching is exact and on the whole text; an unknown identifier comes back unchanged.
/// The simulator identifiers "i386", "x86_64" and "arm64" map the environment variable
/// SIMULATOR_MODEL_IDENTIFIER instead (unset: "iOS"); when that variable itself holds a
/// simulator identifier the answer is "iOS".
TARVEL_CHECKOUT_EXPORT std::string mapToDevice(std::string_view identifier);

/// The name of the machine the component runs on: `mapToDevice` of uname()'s machine field.
/// Computed once, on first use from any thread. On a desktop build for x86_64 or arm64 this
/// follows the simulator rule, so it is "iOS" unless SIMULATOR_MODEL_IDENTIFIER is set.
TARVEL_CHECKOUT_EXPORT std::string modelName();

}  // namespace tarvel
