#include "network/AnswerParsing.h"

#include "network/UrlLoader.h"

namespace tarvel::detail {

BoundedJson parseAnswer(std::string_view body) {
  return parseBoundedJson(body, UrlLoader::kDefaultMaxResponseBytes, kMaxAnswerDepth);
}

}  // namespace tarvel::detail
