#include "tarvel/Log.h"

#include <cstdio>   // fputs, stderr
#include <mutex>    // mutex, lock_guard
#include <string>   // string
#include <utility>  // move

namespace tarvel {
namespace {

// Never destroyed: background threads (the URL loader) may still log while the process runs
// its static destructors at exit.
std::mutex& sinkMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

LogSink& currentSink() {
  static auto* sink = new LogSink;
  return *sink;
}

void writeToStderr(std::string_view line) {
  std::string text(line);
  text += '\n';
  std::fputs(text.c_str(), stderr);
}

}  // namespace

void setLogSink(LogSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  currentSink() = std::move(sink);
}

void log(std::string_view line) {
  // One lock around the write keeps lines from different threads whole.
  std::lock_guard<std::mutex> lock(sinkMutex());
  if (auto& sink = currentSink()) {
    sink(line);
  } else {
    writeToStderr(line);
  }
}

}  // namespace tarvel
