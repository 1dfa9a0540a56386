#pragma once

#include <nlohmann/json.hpp>  // json

namespace tarvel {

/// A string-keyed dictionary of untyped values, as the order and every answer of the
/// payment platform are. Wherever the component means a dictionary it holds a JSON object;
/// readers treat a value of another type than the one they expect as missing.
using Dictionary = nlohmann::json;

}  // namespace tarvel
