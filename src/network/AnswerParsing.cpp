#include "network/AnswerParsing.h"

namespace tarvel::detail {
namespace {

// Deepest bracket nesting outside strings. Runs before parsing so an absurdly nested answer
// never reaches the recursive parts of the JSON library.
std::size_t nestingDepth(std::string_view body) {
  std::size_t depth = 0;
  std::size_t deepest = 0;
  bool inString = false;
  bool escaped = false;
  for (char c : body) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest) deepest = depth;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

std::optional<Dictionary> parseAnswer(std::string_view body) {
  if (nestingDepth(body) > kMaxAnswerDepth) return std::nullopt;
  Dictionary parsed = Dictionary::parse(body, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) return std::nullopt;
  return parsed;
}

}  // namespace tarvel::detail
