#pragma once

#include "tarvel/Dictionary.h"

namespace demo {

/// `data` with the values of "auth_token" and "otp" replaced, at any depth: the shop shows and
/// prints what it heard, never the platform's secrets.
tarvel::Dictionary redacted(const tarvel::Dictionary& data);

}  // namespace demo
