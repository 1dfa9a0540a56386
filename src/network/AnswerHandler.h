#pragma once

#include <string>  // string

#include "network/UrlLoader.h"
#include "tarvel/APICompletion.h"

namespace tarvel::detail {

/// What an operation hands to its completion when the answer is a JSON object.
enum class AnswerShape {
  wholeObjectWithData,  ///< the whole object, once it holds an object under "data"
  dataObject,           ///< the object under "data"
  wholeObject,          ///< the whole object, whatever it holds
};

/// The loader's completion for one call: turns whatever came back (no answer, any status, any
/// bytes) into exactly one call of `complete`, with either an object or an `APIError`: no
/// answer is "No Network"; a body that is not a JSON object, or lacks the object `shape`
/// needs, is "Data Not Found". The HTTP status does not decide. `endpoint` is the URL without
/// its query, the only form of it that reaches the log. Never throws.
UrlLoadCompletion answerHandler(std::string endpoint, AnswerShape shape, APICompletion complete);

}  // namespace tarvel::detail
