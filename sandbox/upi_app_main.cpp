// tarvel-upi-app: a simulated UPI payment app for the local sandbox.
//
//   tarvel-upi-app <deep link>              pays the order the link names, e.g.
//                                           phonepe://upi/pay?pa=...&am=...&tr=<tarvel_oid>
//   tarvel-upi-app --register <data home>   registers itself as the handler of phonepe://,
//                                           gpay://, paytm://, bhim:// and tez://
//
// Finds the sandbox through TARVEL_STAGING_API_URL and trusts TARVEL_CA_FILE for HTTPS.
// Exits 0 once the payment is recorded. With a display (DISPLAY or WAYLAND_DISPLAY) it shows
// a small window of its own with Pay and Decline, so the shopper really leaves the shop and
// comes back; without one it pays at once.
#include <csignal>       // signal, SIGPIPE
#include <cstdlib>       // getenv
#include <filesystem>    // path, read_symlink
#include <iostream>      // cout, cerr
#include <string>        // string
#include <string_view>   // string_view
#include <system_error>  // error_code

#ifdef TARVEL_UPI_APP_WINDOW
#include <QApplication>

#include "UpiAppWindow.h"
#endif
#include "UpiAppClient.h"
#include "UpiAppRegistration.h"
#include "UpiLink.h"

namespace {

constexpr int kPaid = 0;
constexpr int kNotPaid = 1;
constexpr int kUsageError = 2;

using tarvel::sandbox::UpiAppClient;
using tarvel::sandbox::UpiAppRegistration;
using tarvel::sandbox::UpiLink;

int usage() {
  std::cerr << "usage: tarvel-upi-app <upi deep link>\n"
               "       tarvel-upi-app --register <xdg-data-home>\n";
  return kUsageError;
}

std::string appName(const std::string& scheme) {
  for (const auto& app : UpiAppRegistration::apps()) {
    if (app.scheme == scheme) return app.name;
  }
  return scheme;
}

int registerHandlers(const std::filesystem::path& dataHome) {
  std::error_code code;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", code);
  if (code) {
    std::cerr << "tarvel-upi-app: cannot find its own path: " << code.message() << "\n";
    return kNotPaid;
  }
  std::string error;
  if (!UpiAppRegistration::install(std::filesystem::absolute(dataHome), self, &error)) {
    std::cerr << "tarvel-upi-app: " << error << "\n";
    return kNotPaid;
  }
  for (const auto& app : UpiAppRegistration::apps()) {
    std::cout << "registered " << app.scheme << ":// -> "
              << (std::filesystem::absolute(dataHome) / "applications" /
                  UpiAppRegistration::desktopFileName(app.scheme))
                     .string()
              << "\n";
  }
  return kPaid;
}

#ifdef TARVEL_UPI_APP_WINDOW
bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

int payInWindow(const UpiLink& link, const UpiAppClient& client, int argc, char** argv) {
  QApplication app(argc, argv);
  tarvel::sandbox::UpiAppWindow window(link, client, appName(link.scheme));
  window.show();
  window.raise();
  window.activateWindow();
  app.exec();
  return window.result();
}
#endif

int payLink(std::string_view deepLink, int argc, char** argv) {
  const auto link = UpiLink::parse(deepLink);
  if (!link) {
    std::cerr << "tarvel-upi-app: not a UPI pay link with an order reference (tr): " << deepLink
              << "\n";
    return kUsageError;
  }
  const char* apiUrl = std::getenv("TARVEL_STAGING_API_URL");
  const auto origin = apiUrl ? UpiAppClient::originOf(apiUrl) : std::nullopt;
  if (!origin) {
    std::cerr << "tarvel-upi-app: TARVEL_STAGING_API_URL does not name the sandbox "
                 "(run the sandbox and use its export lines)\n";
    return kNotPaid;
  }
  const char* caFile = std::getenv("TARVEL_CA_FILE");
  const UpiAppClient client(*origin, caFile ? caFile : "");
#ifdef TARVEL_UPI_APP_WINDOW
  if (hasDisplay()) return payInWindow(*link, client, argc, argv);
#else
  (void)argc, (void)argv;
#endif

  std::cout << appName(link->scheme) << " (sandbox): paying " << link->currency << " "
            << (link->amount.empty() ? std::string("?") : link->amount) << " to " << link->payeeName
            << " <" << link->payeeAddress << ">, order " << link->reference << std::endl;
  const auto result = client.pay(*link);
  if (!result.paid) {
    std::cerr << "tarvel-upi-app: payment not recorded: " << result.message << "\n";
    return kNotPaid;
  }
  std::cout << result.message << ": order " << link->reference << " is PAID" << std::endl;
  return kPaid;
}

}  // namespace

int main(int argc, char** argv) {
  // Launched by a desktop launcher, the app may find its output closed; the payment must
  // still go through rather than the process dying on its first line.
  signal(SIGPIPE, SIG_IGN);
  if (argc == 3 && std::string_view(argv[1]) == "--register") return registerHandlers(argv[2]);
  if (argc == 2 && std::string_view(argv[1]).substr(0, 2) != "--")
    return payLink(argv[1], argc, argv);
  return usage();
}
