#include "OtpBook.h"

#include <utility>  // move

#include "SecureRandom.h"

namespace tarvel::sandbox {
namespace {

constexpr std::size_t kOtpDigits = 4;

}  // namespace

OtpBook::OtpBook(std::size_t capacity, Clock clock, std::chrono::seconds lifetime, int maxAttempts)
    : clock_(std::move(clock)),
      lifetime_(lifetime),
      maxAttempts_(maxAttempts < 1 ? 1 : maxAttempts),
      entries_(capacity) {}

std::string OtpBook::key(const std::string& moid, const std::string& phone) {
  return moid + '\n' + phone;
}

std::string OtpBook::issue(const std::string& moid, const std::string& phone) {
  Entry entry;
  entry.code = SecureRandom::digits(kOtpDigits);
  entry.issuedAt = clock_();
  std::lock_guard lock(mutex_);
  if (const Entry* earlier = entries_.find(key(moid, phone))) {
    entry.everVerified = earlier->everVerified;
  }
  entries_.insert(key(moid, phone), entry);
  return entry.code;
}

OtpCheck OtpBook::verify(const std::string& moid, const std::string& phone,
                         const std::string& otp) {
  const auto now = clock_();
  std::lock_guard lock(mutex_);
  Entry* entry = entries_.find(key(moid, phone));
  if (!entry) return OtpCheck::notRequested;
  if (entry->used) return OtpCheck::alreadyUsed;
  if (entry->failedAttempts >= maxAttempts_) return OtpCheck::tooManyAttempts;
  if (now - entry->issuedAt >= lifetime_) return OtpCheck::expired;
  if (otp != entry->code) {
    ++entry->failedAttempts;
    return OtpCheck::invalid;
  }
  entry->used = true;
  entry->everVerified = true;
  return OtpCheck::verified;
}

std::optional<std::string> OtpBook::lastCode(const std::string& moid,
                                             const std::string& phone) const {
  std::lock_guard lock(mutex_);
  const Entry* entry = entries_.find(key(moid, phone));
  return entry ? std::optional<std::string>(entry->code) : std::nullopt;
}

bool OtpBook::isVerified(const std::string& moid, const std::string& phone) const {
  std::lock_guard lock(mutex_);
  const Entry* entry = entries_.find(key(moid, phone));
  return entry && entry->everVerified;
}

void OtpBook::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::size_t OtpBook::size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

const char* otpCheckMessage(OtpCheck check) {
  switch (check) {
    case OtpCheck::verified:
      return "OTP verified";
    case OtpCheck::invalid:
      return "Invalid OTP";
    case OtpCheck::expired:
      return "OTP expired";
    case OtpCheck::tooManyAttempts:
      return "Too many attempts";
    case OtpCheck::notRequested:
      return "OTP not requested";
    case OtpCheck::alreadyUsed:
      return "OTP already used";
  }
  return "Invalid OTP";
}

}  // namespace tarvel::sandbox
