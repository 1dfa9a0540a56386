#include "config/DictionaryReading.h"

namespace tarvel::detail {

std::optional<std::string> stringValue(const Dictionary& dictionary, std::string_view key) {
  if (!dictionary.is_object()) return std::nullopt;
  auto it = dictionary.find(key);
  if (it == dictionary.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

const Dictionary* objectValue(const Dictionary& dictionary, std::string_view key) {
  if (!dictionary.is_object()) return nullptr;
  auto it = dictionary.find(key);
  if (it == dictionary.end() || !it->is_object()) return nullptr;
  return &*it;
}

}  // namespace tarvel::detail
