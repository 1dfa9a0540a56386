// The platform tests' process: a private XDG desktop registry (set before GIO first reads
// the environment) with one URL-scheme handler that records the URL it is launched with.
#include "PlatformTestProcess.h"

#include <cstdlib>     // setenv
#include <filesystem>  // permissions
#include <memory>      // make_shared, shared_ptr
#include <string>      // string

#include "QtTestMain.h"
#include "TemporaryDirectory.h"

namespace tarvel::test {

namespace {

TemporaryDirectory& xdgFolder() {
  static TemporaryDirectory folder;
  return folder;
}

void installSchemeHandler(const TemporaryDirectory& folder) {
  const std::string scheme = kRegisteredScheme;
  std::filesystem::create_directories(folder.path() / "data" / "applications");
  std::filesystem::create_directories(folder.path() / "config");
  const std::string script = folder.write(
      "record-url.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + registeredHandlerOutputFile() +
                           ".part\"\nmv \"" + registeredHandlerOutputFile() + ".part\" \"" +
                           registeredHandlerOutputFile() + "\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  folder.write("data/applications/tarvel-test-pay.desktop",
               "[Desktop Entry]\nType=Application\nName=Tarvel Test Pay\nExec=" + script +
                   " %u\nNoDisplay=true\nMimeType=x-scheme-handler/" + scheme + ";\n");
  folder.write("config/mimeapps.list",
               "[Default Applications]\nx-scheme-handler/" + scheme + "=tarvel-test-pay.desktop\n");
}

}  // namespace

std::string registeredHandlerOutputFile() { return xdgFolder().file("opened-url.txt"); }

std::shared_ptr<void> prepareTestProcess() {
  TemporaryDirectory& folder = xdgFolder();
  installSchemeHandler(folder);
  setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder.path() / "config").c_str(), 1);
  return nullptr;
}

}  // namespace tarvel::test
