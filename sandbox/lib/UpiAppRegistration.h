#pragma once

#include <filesystem>  // path
#include <string>      // string
#include <vector>      // vector

namespace tarvel::sandbox {

/// Registers the simulated UPI apps as the desktop's URL-scheme handlers (freedesktop.org
/// desktop entries plus mimeapps.list defaults), so that GIO's
/// g_app_info_get_default_for_uri_scheme finds them and launching one runs the given program
/// with the deep link.
class UpiAppRegistration {
 public:
  struct App {
    std::string scheme;  // "phonepe"
    std::string name;    // "PhonePe"
  };
  /// phonepe, gpay, paytm, bhim, and tez (the component opens a "tez" order with tez://).
  static const std::vector<App>& apps();

  /// The desktop file name for one scheme, e.g. "tarvel-upi-phonepe.desktop".
  static std::string desktopFileName(const std::string& scheme);

  /// Writes one desktop file per app into `<dataHome>/applications` with
  /// Exec=<executable> %u, and makes each the default handler of its scheme in
  /// `<dataHome>/applications/mimeapps.list`, keeping the file's other entries. False, with
  /// the reason in `error`, on failure.
  static bool install(const std::filesystem::path& dataHome,
                      const std::filesystem::path& executable, std::string* error);
};

}  // namespace tarvel::sandbox
