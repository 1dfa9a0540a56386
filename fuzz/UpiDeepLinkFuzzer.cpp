// Any app key and any "u_link" from a verify answer: the deep link is "<probed key>://upi/" and
// the link without its "upi://"; its percent-encoding holds only URL-query bytes and "%XX"
// escapes, decodes once to what the link says (its own escapes decoded, any other byte as it
// is), and stays as it is when encoded again; the probe address is "<probed key>://app"; a
// valid key is 1 to 32 lower-case letters and digits.
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <memory>   // make_shared
#include <optional>
#include <string>
#include <string_view>

#include "screens/upi/UpiDeepLink.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/Log.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/VXAPIServiceProtocol.h"

namespace {

// Answers the verification at once with the answer it holds; every other call fails.
struct AnsweringService : tarvel::VXAPIServiceProtocol {
  tarvel::Dictionary answer;
  void verifyPaymentData(const tarvel::Dictionary&, tarvel::APICompletion complete) override {
    complete(true, answer, std::nullopt);
  }
  void fail(tarvel::APICompletion& complete) {
    if (complete) complete(true, std::nullopt, tarvel::APIError::dataNotFound);
  }
  void checkPaymentStatus(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
  void sendOtp(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
  void reSendOtp(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
  void verifyOtp(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
  void completeOrder(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
  void appAnalytics(const tarvel::Dictionary&, tarvel::APICompletion c) override { fail(c); }
};

int hexValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return -1;
}

// What an app reads from the link as the platform wrote it: its valid escapes decoded, any
// other byte (a space, a "%" that starts no escape) as it is.
std::string decodeLeniently(std::string_view link) {
  std::string decoded;
  for (std::size_t i = 0; i < link.size(); ++i) {
    if (link[i] == '%' && i + 2 < link.size() && hexValue(link[i + 1]) >= 0 &&
        hexValue(link[i + 2]) >= 0) {
      decoded += static_cast<char>(hexValue(link[i + 1]) * 16 + hexValue(link[i + 2]));
      i += 2;
    } else {
      decoded += link[i];
    }
  }
  return decoded;
}

// The encoding's own check: allowed bytes as they are, "%XX" for the rest; decoded once.
std::optional<std::string> decodeStrictly(std::string_view encoded) {
  static constexpr std::string_view kAllowed = "!$&'()*+,-./:;=?@_~";
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      if (i + 2 >= encoded.size()) return std::nullopt;
      const int high = hexValue(encoded[i + 1]), low = hexValue(encoded[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               kAllowed.find(c) != std::string_view::npos) {
      decoded += c;
    } else {
      return std::nullopt;
    }
  }
  return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarvel::setLogSink([](std::string_view) {});
  tarvel::InternetConnectionManager::setProbe(
      [] { return std::optional<uint32_t>(tarvel::InternetConnectionManager::kReachable); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\n');
  if (split == std::string_view::npos) return 0;
  const std::string key(input.substr(0, split));
  const std::string link(input.substr(split + 1));

  const std::string probed = tarvel::detail::probedUpiAppKey(key);
  if (key == "tez" ? probed != "gpay" : key == "upi" ? probed != "bhim" : probed != key) {
    std::abort();
  }
  if (tarvel::detail::upiProbeAddress(probed) != probed + "://app") std::abort();
  const bool valid =
      !probed.empty() && probed.size() <= 32 &&
      probed.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789") == std::string::npos;
  if (tarvel::detail::isValidUpiAppKey(probed) != valid) std::abort();

  auto service = std::make_shared<AnsweringService>();
  service->answer = {{"u_link", link}, {"uapp", {key}}};
  auto model = std::make_shared<tarvel::TarvelChekoutViewModel>(
      service, tarvel::Dictionary{{"order_type", "upi"}});
  model->verifyUPIPayment();
  const std::optional<std::string> deepLink = model->getUPILink(probed);
  if (!deepLink) std::abort();
  const std::string_view rest =
      std::string_view(link).substr(0, 6) == "upi://" ? std::string_view(link).substr(6) : link;
  if (*deepLink != probed + "://upi/" + std::string(rest)) std::abort();

  const std::string encoded = tarvel::detail::addingPercentEncodingForQuery(*deepLink);
  if (decodeStrictly(encoded) != decodeLeniently(*deepLink)) std::abort();
  if (tarvel::detail::addingPercentEncodingForQuery(encoded) != encoded) std::abort();
  return 0;
}
