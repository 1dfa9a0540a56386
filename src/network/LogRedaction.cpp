#include "network/LogRedaction.h"

#include <vector>  // vector

#include "config/Redaction.h"
#include "config/Utf8.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Keeps the first `limit` bytes written and counts all of them.
class BoundedText {
 public:
  explicit BoundedText(std::size_t limit) : limit_(limit) {}

  void put(std::string_view piece) {
    total_ += piece.size();
    if (text_.size() < limit_) text_.append(piece.substr(0, limit_ - text_.size()));
  }
  void put(char c) { put(std::string_view(&c, 1)); }
  /// Whether nothing more will be kept; what follows is only counted.
  bool full() const { return text_.size() >= limit_; }
  void count(std::size_t bytes) { total_ += bytes; }

  /// The text, with a note of the full length when some of it was cut.
  std::string finish() && {
    if (total_ <= limit_) return std::move(text_);
    dropIncompleteCharacter();
    return std::move(text_) + "... (" + std::to_string(total_) + " bytes in all)";
  }

 private:
  // A cut may fall inside a UTF-8 sequence; the log gets whole characters only.
  void dropIncompleteCharacter() {
    std::size_t back = 0;
    while (back < 4 && back < text_.size() &&
           (static_cast<unsigned char>(text_[text_.size() - 1 - back]) & 0xC0) == 0x80) {
      ++back;
    }
    if (back == text_.size()) return;
    auto lead = static_cast<unsigned char>(text_[text_.size() - 1 - back]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > back + 1) text_.resize(text_.size() - 1 - back);
  }

  std::size_t limit_;
  std::size_t total_ = 0;
  std::string text_;
};

void putEscapedCharacter(unsigned char c, BoundedText& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (c) {
    case '"':
      return out.put("\\\"");
    case '\\':
      return out.put("\\\\");
    case '\n':
      return out.put("\\n");
    case '\r':
      return out.put("\\r");
    case '\t':
      return out.put("\\t");
    case '\b':
      return out.put("\\b");
    case '\f':
      return out.put("\\f");
    default:
      if (c >= 0x20) return out.put(static_cast<char>(c));
      out.put("\\u00");
      out.put(kHex[c >> 4]);
      out.put(kHex[c & 0xF]);
  }
}

// The bytes `putEscapedCharacter` and `putString` write for `text`, without writing them.
std::size_t escapedLength(std::string_view text) {
  std::size_t bytes = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x80) {
      const bool shortEscape =
          c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f';
      bytes += shortEscape ? 2 : c < 0x20 ? 6 : 1;
      ++at;
      continue;
    }
    const std::size_t length = validUtf8Length(text, at);
    bytes += length == 0 ? kReplacementCharacter.size() : length;
    at += length == 0 ? 1 : length;
  }
  return bytes;
}

void putString(std::string_view text, BoundedText& out) {
  out.put('"');
  for (std::size_t at = 0; at < text.size();) {
    // Past the limit the rest is only counted: a long value (a QR image) costs a count, not
    // an escaped copy that would be cut anyway.
    if (out.full()) {
      out.count(escapedLength(text.substr(at)));
      break;
    }
    std::size_t length = validUtf8Length(text, at);
    if (length == 0) {
      out.put(kReplacementCharacter);
      ++at;
    } else if (length == 1) {
      putEscapedCharacter(static_cast<unsigned char>(text[at++]), out);
    } else {
      out.put(text.substr(at, length));
      at += length;
    }
  }
  out.put('"');
}

// An array or object being written: where its next member is, and whether it stands under a
// phone-like key.
struct Open {
  const Dictionary* container;
  Dictionary::const_iterator next;
  bool first;
  bool phone;
};

// Writes a scalar, or opens a container and leaves its members to the caller's loop. Under a
// phone-like key, numbers in texts and whole numbers are masked.
void putValue(const Dictionary& value, bool phone, BoundedText& out, std::vector<Open>& open) {
  if (value.is_object() || value.is_array()) {
    out.put(value.is_object() ? '{' : '[');
    open.push_back({&value, value.cbegin(), true, phone});
  } else if (value.is_string()) {
    const auto& text = value.get_ref<const std::string&>();
    putString(phone ? maskPhoneNumbers(text) : text, out);
  } else if (phone && (value.is_number_integer() || value.is_number_unsigned())) {
    putString(maskPhoneNumbers(value.dump()), out);
  } else {
    out.put(value.dump());
  }
}

}  // namespace

std::string describeForLog(const Dictionary& dictionary, std::size_t maxBytes) {
  BoundedText out(maxBytes);
  std::vector<Open> open;  // an explicit stack: no recursion, whatever the nesting
  putValue(dictionary, false, out, open);
  while (!open.empty()) {
    Open& current = open.back();
    if (current.next == current.container->cend()) {
      out.put(current.container->is_object() ? '}' : ']');
      open.pop_back();
      continue;
    }
    if (!current.first) out.put(',');
    current.first = false;
    auto member = current.next++;
    bool phone = current.phone;
    if (current.container->is_object()) {
      putString(member.key(), out);
      out.put(':');
      if (isSecretKey(member.key())) {
        putString(kRedactedText, out);
        continue;
      }
      phone = phone || isPhoneKey(member.key());
    }
    putValue(*member, phone, out, open);  // may grow the stack: `current` is not used after this
  }
  return std::move(out).finish();
}

}  // namespace tarvel::detail

namespace tarvel {
namespace {

// Recursive: hosts pass outcomes, which the component parsed within a bounded depth.
Dictionary redactedCopy(const Dictionary& data, bool phone) {
  if (data.is_object()) {
    Dictionary copy = Dictionary::object();
    for (auto it = data.begin(); it != data.end(); ++it) {
      copy[it.key()] = detail::isSecretKey(it.key())
                           ? Dictionary(std::string(detail::kRedactedText))
                           : redactedCopy(it.value(), phone || detail::isPhoneKey(it.key()));
    }
    return copy;
  }
  if (data.is_array()) {
    Dictionary copy = Dictionary::array();
    for (const auto& item : data) copy.push_back(redactedCopy(item, phone));
    return copy;
  }
  if (!phone) return data;
  if (data.is_string()) return detail::maskPhoneNumbers(data.get_ref<const std::string&>());
  if (data.is_number_integer() || data.is_number_unsigned()) {
    return detail::maskPhoneNumbers(data.dump());
  }
  return data;
}

}  // namespace

Dictionary redactedForLog(const Dictionary& data) { return redactedCopy(data, false); }

}  // namespace tarvel

namespace tarvel::detail {

std::string shortenedForLog(std::string_view text, std::size_t maxBytes) {
  BoundedText out(maxBytes);
  out.put(text);
  return std::move(out).finish();
}

}  // namespace tarvel::detail
