#include "TemporaryDirectory.h"

#include <stdlib.h>  // mkdtemp

#include <fstream>       // ofstream
#include <stdexcept>     // runtime_error
#include <system_error>  // error_code

namespace tarvel::test {

TemporaryDirectory::TemporaryDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("TemporaryDirectory: mkdtemp failed for " + pattern);
  }
  path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TemporaryDirectory::write(const std::string& name, const std::string& contents) const {
  std::string target = file(name);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << contents;
  return target;
}

}  // namespace tarvel::test
