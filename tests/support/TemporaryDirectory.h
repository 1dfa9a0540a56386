#pragma once

#include <filesystem>  // path
#include <string>      // string

namespace tarvel::test {

/// A fresh directory under the system's temporary folder, removed with its contents when the
/// object goes away.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// The path of `name` inside the directory.
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  /// Writes `contents` to `name` inside the directory and returns its path.
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

}  // namespace tarvel::test
