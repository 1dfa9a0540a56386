#pragma once

#include <chrono>    // seconds, steady_clock
#include <cstddef>   // size_t
#include <mutex>     // mutex
#include <optional>  // optional
#include <string>    // string

#include "BoundedMap.h"
#include "Clock.h"

namespace tarvel::sandbox {

/// The result of checking a typed OTP.
enum class OtpCheck { verified, invalid, expired, tooManyAttempts, notRequested, alreadyUsed };

/// One-time passwords per (moid, phone): four random digits that expire after `lifetime`.
/// After `maxAttempts` wrong tries every further try is refused until a new code is issued. Holds
/// at most `capacity` pairs, the oldest goes first. Thread-safe.
class OtpBook {
 public:
  OtpBook(std::size_t capacity, Clock clock, std::chrono::seconds lifetime, int maxAttempts);

  /// A fresh code for the pair; replaces any earlier one and its failed attempts.
  std::string issue(const std::string& moid, const std::string& phone);
  OtpCheck verify(const std::string& moid, const std::string& phone, const std::string& otp);
  /// The code last issued for the pair, used or not.
  std::optional<std::string> lastCode(const std::string& moid, const std::string& phone) const;
  /// Whether an OTP for the pair has been verified.
  bool isVerified(const std::string& moid, const std::string& phone) const;
  std::chrono::seconds lifetime() const { return lifetime_; }

  void clear();
  std::size_t size() const;

 private:
  struct Entry {
    std::string code;
    std::chrono::steady_clock::time_point issuedAt;
    int failedAttempts = 0;
    bool used = false;
    bool everVerified = false;
  };
  static std::string key(const std::string& moid, const std::string& phone);

  const Clock clock_;
  const std::chrono::seconds lifetime_;
  const int maxAttempts_;
  mutable std::mutex mutex_;
  detail::BoundedMap<std::string, Entry> entries_;
};

/// The "statusMessage" for a check, e.g. "Invalid OTP".
const char* otpCheckMessage(OtpCheck check);

}  // namespace tarvel::sandbox
