#include "tarvel/Color.h"

#include <array>     // array
#include <cstddef>   // size_t
#include <cstdint>   // uint32_t, uint64_t
#include <limits>    // numeric_limits
#include <optional>  // optional

namespace tarvel {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

struct CodePoint {
  char32_t value;
  std::size_t length;  // bytes it took
};

// Decodes one UTF-8 sequence at the start of `text` (not empty). Anything malformed (stray
// continuation byte, truncated or overlong sequence, surrogate, beyond U+10FFFF) is one byte
// read as U+FFFD.
CodePoint decodeUtf8(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return {kReplacementCharacter, 1};
  }
  if (text.size() < length) return {kReplacementCharacter, 1};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {kReplacementCharacter, 1};
    value = (value << 6) | (byte(i) & 0x3F);
  }
  bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (value < minimum || value > 0x10FFFF || surrogate) return {kReplacementCharacter, 1};
  return {value, length};
}

struct Range {
  char32_t first;
  char32_t last;
};

// Non-ASCII code points that are not letters, marks or numbers, by block (see Color.h).
// clang-format off
constexpr std::array<Range, 30> kNonAlphanumericRanges{{
    {0x0080, 0x00A9},     // controls, no-break space, Latin-1 punctuation and symbols
    {0x00AB, 0x00B1},
    {0x00B4, 0x00B4},
    {0x00B6, 0x00B8},
    {0x00BB, 0x00BB},
    {0x00BF, 0x00BF},
    {0x00D7, 0x00D7},     // multiplication sign
    {0x00F7, 0x00F7},     // division sign
    {0x1680, 0x1680},     // Ogham space mark
    {0x2000, 0x206F},     // general punctuation, spaces and format characters
    {0x20A0, 0x20CF},     // currency symbols
    {0x2190, 0x245F},     // arrows, mathematical operators, technical, control pictures
    {0x2500, 0x2BFF},     // box drawing, shapes, symbols, dingbats, arrows, mathematics
    {0x2E00, 0x2E7F},     // supplemental punctuation
    {0x3000, 0x3004},     // CJK space and punctuation
    {0x3008, 0x3020},
    {0x3030, 0x3030},
    {0x303D, 0x303F},
    {0xE000, 0xF8FF},     // private use
    {0xFE10, 0xFE1F},     // vertical forms
    {0xFE30, 0xFE6F},     // CJK compatibility and small form punctuation
    {0xFEFF, 0xFEFF},     // byte order mark
    {0xFF01, 0xFF0F},     // fullwidth punctuation
    {0xFF1A, 0xFF20},
    {0xFF3B, 0xFF40},
    {0xFF5B, 0xFF65},
    {0xFFF0, 0xFFFF},     // specials, the replacement character among them
    {0x1F000, 0x1FAFF},   // emoji, pictographs, game symbols
    {0xF0000, 0x10FFFF},  // supplementary private use
    {0xD800, 0xDFFF},     // surrogates (never decoded, listed for completeness)
}};
// clang-format on

bool isLetterMarkOrNumber(char32_t c) {
  if (c < 0x80) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  }
  for (const auto& range : kNonAlphanumericRanges) {
    if (c >= range.first && c <= range.last) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  // Forward pass to find where the kept characters start and end, in bytes.
  std::size_t start = text.size();
  std::size_t end = 0;
  for (std::size_t at = 0; at < text.size();) {
    CodePoint c = decodeUtf8(text.substr(at));
    if (isLetterMarkOrNumber(c.value)) {
      if (start == text.size()) start = at;
      end = at + c.length;
    }
    at += c.length;
  }
  return start < end ? text.substr(start, end - start) : std::string_view();
}

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) at += decodeUtf8(text.substr(at)).length;
  return count;
}

std::optional<unsigned> hexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  return std::nullopt;
}

// Hexadecimal number at the start of `text`; saturates at the largest 64-bit value.
uint64_t scanHex(std::string_view text) {
  bool prefixed =
      text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && hexDigit(text[2]);
  if (prefixed) text.remove_prefix(2);
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t number = 0;
  for (char c : text) {
    auto digit = hexDigit(c);
    if (!digit) break;
    number = number > (kMax >> 4) ? kMax : (number << 4) | *digit;
  }
  return number;
}

uint8_t byteAt(uint64_t number, int shift) {
  return static_cast<uint8_t>((number >> shift) & 0xFF);
}

}  // namespace

Color Color::fromHexString(std::string_view text) {
  std::string_view hex = trimmed(text);
  uint64_t n = scanHex(hex);
  switch (characterCount(hex)) {
    case 3:
      return {static_cast<uint8_t>(((n >> 8) & 0xF) * 17),
              static_cast<uint8_t>(((n >> 4) & 0xF) * 17), static_cast<uint8_t>((n & 0xF) * 17),
              255};
    case 6:
      return {byteAt(n, 16), byteAt(n, 8), byteAt(n, 0), 255};
    case 8:
      return {byteAt(n, 16), byteAt(n, 8), byteAt(n, 0), byteAt(n, 24)};
    default:
      return {0, 0, 0, 255};
  }
}

}  // namespace tarvel
