#include "LogCapture.h"

#include <algorithm>  // count, any_of

#include "tarvel/Log.h"

namespace tarvel::test {

LogCapture::LogCapture() {
  setLogSink([this](std::string_view line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.emplace_back(line);
  });
}

LogCapture::~LogCapture() { setLogSink(nullptr); }

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

std::string LogCapture::text() const {
  std::string joined;
  for (const auto& line : lines()) {
    joined += line;
    joined += '\n';
  }
  return joined;
}

bool LogCapture::contains(std::string_view fragment) const {
  auto all = lines();
  return std::any_of(all.begin(), all.end(), [fragment](const std::string& line) {
    return line.find(fragment) != std::string::npos;
  });
}

std::size_t LogCapture::count(std::string_view line) const {
  auto all = lines();
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), line));
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

}  // namespace tarvel::test
