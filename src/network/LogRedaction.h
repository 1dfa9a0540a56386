#pragma once

#include <string>  // string

#include "tarvel/Dictionary.h"

namespace tarvel::detail {

/// The text a logged dictionary is written as: compact JSON with the values of "auth_token"
/// and "otp" replaced by "<redacted>" at any depth, and invalid UTF-8 replaced rather than
/// thrown on. Every dictionary that reaches the log goes through here.
std::string describeForLog(const Dictionary& dictionary);

}  // namespace tarvel::detail
