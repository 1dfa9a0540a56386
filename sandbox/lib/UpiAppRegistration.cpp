#include "UpiAppRegistration.h"

#include <fstream>       // ifstream, ofstream
#include <set>           // set
#include <sstream>       // ostringstream
#include <system_error>  // error_code

namespace tarvel::sandbox {
namespace {

constexpr const char* kDefaultsSection = "[Default Applications]";

std::string mimeType(const std::string& scheme) { return "x-scheme-handler/" + scheme; }

// The Exec program, quoted as the desktop entry format asks when it holds reserved characters.
std::string execProgram(const std::filesystem::path& executable) {
  const std::string path = executable.string();
  if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`=%") == std::string::npos) return path;
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$') quoted += '\\';
    if (c == '\\') quoted += "\\\\\\";  // escaped for the quoting rule, then for the string rule
    if (c == '%') {
      quoted += "%%";
      continue;
    }
    quoted += c;
  }
  return quoted + "\"";
}

std::string desktopEntry(const UpiAppRegistration::App& app,
                         const std::filesystem::path& executable) {
  std::ostringstream entry;
  entry << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Version=1.0\n"
        << "Name=" << app.name << " (Tarvel sandbox)\n"
        << "Comment=Simulated UPI app that pays orders on the local Tarvel sandbox\n"
        << "Exec=" << execProgram(executable) << " %u\n"
        << "Terminal=false\n"
        << "NoDisplay=true\n"
        << "MimeType=" << mimeType(app.scheme) << ";\n";
  return entry.str();
}

bool writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// mimeapps.list with our schemes' defaults set in [Default Applications]; other sections and
// other types' entries are kept as they were.
std::string mergedMimeApps(const std::filesystem::path& path) {
  std::set<std::string> ours;
  for (const auto& app : UpiAppRegistration::apps()) ours.insert(mimeType(app.scheme));

  std::ifstream in(path);
  std::string line;
  std::string before;   // everything up to and including our section's header
  std::string section;  // the rest of our section, without our schemes
  std::string after;    // the sections after ours
  enum { beforeSection, inSection, afterSection } where = beforeSection;
  while (std::getline(in, line)) {
    const bool header = !line.empty() && line.front() == '[';
    if (where == beforeSection && line == kDefaultsSection) {
      where = inSection;
      continue;
    }
    if (where == inSection && header) where = afterSection;
    if (where == beforeSection) before += line + "\n";
    if (where == afterSection) after += line + "\n";
    if (where == inSection) {
      const auto key = line.substr(0, line.find('='));
      if (ours.count(key) == 0 && !line.empty()) section += line + "\n";
    }
  }
  std::string defaults = std::string(kDefaultsSection) + "\n";
  for (const auto& app : UpiAppRegistration::apps()) {
    defaults += mimeType(app.scheme) + "=" + UpiAppRegistration::desktopFileName(app.scheme) + "\n";
  }
  return before + defaults + section + (after.empty() ? "" : "\n" + after);
}

bool fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

}  // namespace

const std::vector<UpiAppRegistration::App>& UpiAppRegistration::apps() {
  static const std::vector<App> kApps = {{"phonepe", "PhonePe"},
                                         {"gpay", "Google Pay"},
                                         {"paytm", "Paytm"},
                                         {"bhim", "BHIM"},
                                         {"tez", "Google Pay (tez)"}};
  return kApps;
}

std::string UpiAppRegistration::desktopFileName(const std::string& scheme) {
  return "tarvel-upi-" + scheme + ".desktop";
}

bool UpiAppRegistration::install(const std::filesystem::path& dataHome,
                                 const std::filesystem::path& executable, std::string* error) {
  if (!executable.is_absolute()) return fail(error, "the program path must be absolute");
  const auto folder = dataHome / "applications";
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) return fail(error, "cannot create " + folder.string() + ": " + code.message());
  for (const auto& app : apps()) {
    const auto path = folder / desktopFileName(app.scheme);
    if (!writeFile(path, desktopEntry(app, executable))) {
      return fail(error, "cannot write " + path.string());
    }
  }
  const auto list = folder / "mimeapps.list";
  if (!writeFile(list, mergedMimeApps(list))) return fail(error, "cannot write " + list.string());
  return true;
}

}  // namespace tarvel::sandbox
