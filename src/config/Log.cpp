#include "tarvel/Log.h"

#include <cerrno>              // errno, EINTR
#include <condition_variable>  // condition_variable
#include <memory>              // shared_ptr, make_shared
#include <mutex>               // mutex, lock_guard, unique_lock
#include <string>              // string
#include <utility>             // move, exchange

#include <unistd.h>  // write, STDERR_FILENO

#include "config/DefaultLogSink.h"
#include "config/Redaction.h"

namespace tarvel {
namespace {

// One installed sink and the number of calls into it that have not returned yet.
struct InstalledSink {
  explicit InstalledSink(LeveledLogSink function) : function(std::move(function)) {}
  const LeveledLogSink function;
  int callsInFlight = 0;  // guarded by the registry's mutex
};

// The mutex guards only the pointer and the counts: the sink itself always runs unlocked, so
// it may log, replace itself or wait for a thread that logs.
struct SinkRegistry {
  std::mutex mutex;
  std::condition_variable callReturned;
  std::shared_ptr<InstalledSink> current;   // the host's; null: the fallback
  std::shared_ptr<InstalledSink> fallback;  // the component's own default; null: stderr
};

// Never destroyed: background threads (the URL loader) may still log while the process runs
// its static destructors at exit.
SinkRegistry& registry() {
  static auto* instance = new SinkRegistry;
  return *instance;
}

// How many sink calls the calling thread is inside of.
thread_local int sinkDepth = 0;

// One write(2) per line, so lines from several threads never interleave on the terminal.
void writeToStderr(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line).push_back('\n');
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(STDERR_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nowhere to write: the line is lost, as with fputs
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

std::shared_ptr<InstalledSink> enterCurrentSink() {
  auto& slots = registry();
  std::lock_guard<std::mutex> lock(slots.mutex);
  auto& sink = slots.current ? slots.current : slots.fallback;
  if (sink) ++sink->callsInFlight;
  return sink;
}

void leaveSink(InstalledSink& sink) {
  auto& slots = registry();
  std::lock_guard<std::mutex> lock(slots.mutex);
  if (--sink.callsInFlight == 0) slots.callReturned.notify_all();
}

}  // namespace

namespace {

void replaceSink(std::shared_ptr<InstalledSink> SinkRegistry::*slot, LeveledLogSink sink) {
  auto next = sink ? std::make_shared<InstalledSink>(std::move(sink)) : nullptr;
  auto& slots = registry();
  std::unique_lock<std::mutex> lock(slots.mutex);
  auto previous = std::exchange(slots.*slot, std::move(next));
  // Whoever replaces a sink may free what it captured, so calls still running in it are
  // waited for; from inside a sink that wait could be for the caller itself.
  if (previous && sinkDepth == 0) {
    slots.callReturned.wait(lock, [&] { return previous->callsInFlight == 0; });
  }
}

}  // namespace

void setLogSink(LeveledLogSink sink) { replaceSink(&SinkRegistry::current, std::move(sink)); }

void setLogSink(LogSink sink) {
  if (!sink) {
    setLogSink(nullptr);
    return;
  }
  setLogSink(
      LeveledLogSink([sink = std::move(sink)](LogLevel, std::string_view line) { sink(line); }));
}

void setLogSink(std::nullptr_t) { setLogSink(LeveledLogSink()); }

void detail::setDefaultLogSink(LeveledLogSink sink) {
  replaceSink(&SinkRegistry::fallback, std::move(sink));
}

void log(std::string_view line) { log(LogLevel::info, line); }

// Every line passes the last check here, whoever wrote it: an order's phone number or a code
// next to "OTP" in free text never reaches a sink.
void log(LogLevel level, std::string_view text) {
  const std::string line = detail::redactLogLine(text);
  auto sink = enterCurrentSink();
  if (!sink) {
    writeToStderr(line);
    return;
  }
  ++sinkDepth;
  try {
    sink->function(level, line);
  } catch (...) {
    // A host sink that throws loses its line; the component's caller must not see it.
  }
  --sinkDepth;
  leaveSink(*sink);
}

}  // namespace tarvel
