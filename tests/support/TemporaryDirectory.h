#pragma once

#include <filesystem>    // path, temp_directory_path, remove_all
#include <fstream>       // ofstream
#include <stdexcept>     // runtime_error
#include <string>        // string
#include <system_error>  // error_code

#include <stdlib.h>  // mkdtemp

namespace tarvel::test {

/// A fresh directory under the system's temporary folder, removed with its contents when the
/// object goes away.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp: " + pattern);
    path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The path of `name` inside the directory.
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  /// Writes `contents` to `name` inside the directory and returns its path.
  std::string write(const std::string& name, const std::string& contents) const {
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << contents;
    return file(name);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tarvel::test
