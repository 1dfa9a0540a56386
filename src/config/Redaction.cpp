#include "config/Redaction.h"

#include <algorithm>  // any_of, find_if
#include <array>      // array
#include <cctype>     // isdigit, isalpha, islower, isupper, tolower
#include <deque>      // deque
#include <mutex>      // mutex, lock_guard
#include <vector>     // vector

namespace tarvel::detail {
namespace {

constexpr std::array<std::string_view, 3> kSecretWords{"token", "secret", "password"};
// Short words that appear inside ordinary words ("shipping", "footprint"): they count only at
// the start or the end of a word part.
constexpr std::array<std::string_view, 4> kSecretWordParts{"otp", "pin", "cvv", "card"};
constexpr std::array<std::string_view, 3> kPhoneWords{"phone", "mobile", "msisdn"};
constexpr std::size_t kMinPhoneDigits = 10;
constexpr std::size_t kKeptPhoneDigits = 4;
constexpr std::size_t kRememberedPhones = 16;
constexpr std::size_t kOtpDistance = 24;  // bytes between the word "OTP" and its code
constexpr std::string_view kRedacted = "<redacted>";

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isUpper(char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; }
bool isLower(char c) { return std::islower(static_cast<unsigned char>(c)) != 0; }

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool containsAny(std::string_view lowerText, const auto& words) {
  return std::any_of(words.begin(), words.end(), [&](std::string_view word) {
    return lowerText.find(word) != std::string_view::npos;
  });
}

// "upiPin_2" is "upi", "pin"; "OTPCode" is "otp", "code".
std::vector<std::string> wordParts(std::string_view key) {
  std::vector<std::string> parts;
  std::string part;
  auto close = [&] {
    if (!part.empty()) parts.push_back(lowerCase(part));
    part.clear();
  };
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = key[i];
    if (!isLetter(c)) {
      close();
      continue;
    }
    const bool camel = i > 0 && isUpper(c) && isLower(key[i - 1]);
    const bool acronymEnd =
        i > 0 && i + 1 < key.size() && isUpper(c) && isUpper(key[i - 1]) && isLower(key[i + 1]);
    if (camel || acronymEnd) close();
    part.push_back(c);
  }
  close();
  return parts;
}

bool startsOrEnds(std::string_view part, std::string_view word) {
  return part.size() >= word.size() &&
         (part.substr(0, word.size()) == word || part.substr(part.size() - word.size()) == word);
}

void maskDigits(std::string& text, std::size_t begin, std::size_t end) {
  std::size_t digits = 0;
  for (std::size_t i = begin; i < end; ++i) digits += isDigit(text[i]) ? 1 : 0;
  for (std::size_t i = begin; i < end && digits > kKeptPhoneDigits; ++i) {
    if (!isDigit(text[i])) continue;
    text[i] = '*';
    --digits;
  }
}

bool isPhoneSeparator(char c) { return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')'; }

struct RememberedPhones {
  std::mutex mutex;
  std::deque<std::string> digits;  // newest last
};

RememberedPhones& rememberedPhones() {
  static auto* phones = new RememberedPhones;  // used by threads that log while the process ends
  return *phones;
}

void maskOccurrences(std::string& line, const std::string& digits) {
  for (auto at = line.find(digits); at != std::string::npos; at = line.find(digits, at + 1)) {
    maskDigits(line, at, at + digits.size());
  }
}

// Between the word and its code stand only the punctuation of "OTP: 4821", "otp=4821" or
// "\"otp\":\"4821\"" and a few small words ("OTP is 4821", "4821 is your OTP"); an address
// or a sentence ("send-otp: answer larger than 1048576 bytes") does not count.
bool joinsWordAndCode(std::string_view between) {
  constexpr std::array<std::string_view, 6> kJoiningWords{"is", "your", "code", "the", "use", "no"};
  if (between.size() > kOtpDistance) return false;
  std::string word;
  for (std::size_t i = 0; i <= between.size(); ++i) {
    const char c = i < between.size() ? between[i] : ' ';
    if (isLetter(c)) {
      word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
      continue;
    }
    if (!word.empty() &&
        std::find(kJoiningWords.begin(), kJoiningWords.end(), word) == kJoiningWords.end()) {
      return false;
    }
    word.clear();
    if (std::string_view(" :=\"'\\").find(c) == std::string_view::npos) return false;
  }
  return true;
}

// Where the word "otp" starts a word part (so not in "totp"): begin and end of each.
std::vector<std::pair<std::size_t, std::size_t>> otpWords(std::string_view line) {
  std::vector<std::pair<std::size_t, std::size_t>> words;
  const std::string lower = lowerCase(line);
  for (auto at = lower.find("otp"); at != std::string::npos; at = lower.find("otp", at + 1)) {
    if (at > 0 && isLetter(line[at - 1]) && !isUpper(line[at])) continue;
    words.emplace_back(at, at + 3);
  }
  return words;
}

std::string redactOtpCodes(std::string line) {
  const auto words = otpWords(line);
  if (words.empty()) return line;
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size();) {
    if (!isDigit(line[i]) || (i > 0 && (isDigit(line[i - 1]) || line[i - 1] == '*'))) {
      out.push_back(line[i++]);
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && isDigit(line[end])) ++end;
    const std::size_t length = end - i;
    const bool code =
        length >= 4 && length <= 8 &&
        std::any_of(words.begin(), words.end(), [&](const auto& word) {
          const std::string_view view(line);
          return word.second <= i
                     ? joinsWordAndCode(view.substr(word.second, i - word.second))
                     : end <= word.first && joinsWordAndCode(view.substr(end, word.first - end));
        });
    out.append(code ? std::string(kRedacted) : line.substr(i, length));
    i = end;
  }
  return out;
}

}  // namespace

bool isSecretKey(std::string_view key) {
  if (containsAny(lowerCase(key), kSecretWords)) return true;
  for (const std::string& part : wordParts(key)) {
    for (std::string_view word : kSecretWordParts) {
      if (startsOrEnds(part, word)) return true;
    }
  }
  return false;
}

bool isPhoneKey(std::string_view key) { return containsAny(lowerCase(key), kPhoneWords); }

std::string maskPhoneNumbers(std::string_view text) {
  std::string masked(text);
  for (std::size_t i = 0; i < masked.size();) {
    if (!isDigit(masked[i])) {
      ++i;
      continue;
    }
    std::size_t end = i, digits = 0;
    std::size_t lastDigit = i;
    for (std::size_t separators = 0; end < masked.size() && separators <= 2; ++end) {
      if (isDigit(masked[end])) {
        ++digits;
        lastDigit = end;
        separators = 0;
      } else if (isPhoneSeparator(masked[end])) {
        ++separators;
      } else {
        break;
      }
    }
    if (digits >= kMinPhoneDigits) maskDigits(masked, i, lastDigit + 1);
    i = lastDigit + 1;
  }
  return masked;
}

void rememberPhoneNumber(std::string_view phone) {
  std::string digits;
  for (char c : phone) {
    if (isDigit(c)) digits.push_back(c);
  }
  if (digits.size() < kMinPhoneDigits) return;
  auto& phones = rememberedPhones();
  std::lock_guard<std::mutex> lock(phones.mutex);
  // The national number alone too: "+91 90000 77321" is logged as "9000077321" as well.
  for (const std::string& remembered : {digits, digits.substr(digits.size() - kMinPhoneDigits)}) {
    if (std::find(phones.digits.begin(), phones.digits.end(), remembered) != phones.digits.end())
      continue;
    phones.digits.push_back(remembered);
    if (phones.digits.size() > kRememberedPhones) phones.digits.pop_front();
  }
}

std::string redactLogLine(std::string_view line) {
  std::string redacted(line);
  {
    auto& phones = rememberedPhones();
    std::lock_guard<std::mutex> lock(phones.mutex);
    for (const std::string& digits : phones.digits) maskOccurrences(redacted, digits);
  }
  return redactOtpCodes(std::move(redacted));
}

}  // namespace tarvel::detail
