#include "config/BoundedJson.h"

#include <new>  // bad_alloc

#include "config/Utf8.h"

namespace tarvel::detail {
namespace {

// One pass over the text: every byte must belong to a UTF-8 sequence, and brackets outside
// strings may not nest deeper than `maxDepth`. ASCII bytes, nearly all of an answer, take the
// short way.
std::optional<BoundedJson::Refusal> scan(std::string_view text, std::size_t maxDepth) {
  std::size_t depth = 0;
  bool inString = false;
  bool escaped = false;
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      const std::size_t length = validUtf8Length(text, at);
      if (length == 0) return BoundedJson::Refusal::notUtf8;
      at += length;
      continue;
    }
    ++at;
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
      if (++depth > maxDepth) return BoundedJson::Refusal::tooDeep;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return std::nullopt;
}

BoundedJson refused(BoundedJson::Refusal refusal) { return {std::nullopt, refusal}; }

}  // namespace

BoundedJson parseBoundedJson(std::string_view text, std::size_t maxBytes,
                             std::size_t maxDepth) noexcept {
  if (text.size() > maxBytes) return refused(BoundedJson::Refusal::tooLarge);
  try {
    if (auto refusal = scan(text, maxDepth)) return refused(*refusal);
    Dictionary parsed = Dictionary::parse(text, nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) return refused(BoundedJson::Refusal::notJson);
    return {std::move(parsed), BoundedJson::Refusal::notJson};
  } catch (const std::bad_alloc&) {
    return refused(BoundedJson::Refusal::tooLarge);
  } catch (...) {
    return refused(BoundedJson::Refusal::notJson);
  }
}

std::string_view describe(BoundedJson::Refusal refusal) {
  switch (refusal) {
    case BoundedJson::Refusal::tooLarge:
      return "larger than allowed";
    case BoundedJson::Refusal::tooDeep:
      return "nested too deeply";
    case BoundedJson::Refusal::notUtf8:
      return "not UTF-8";
    case BoundedJson::Refusal::notJson:
      break;
  }
  return "not JSON";
}

}  // namespace tarvel::detail
