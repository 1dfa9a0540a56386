// The log sink: the component never holds a lock while the sink runs, so a sink may log
// through the component or wait for a thread that logs; the default keeps lines whole.
#include <atomic>              // atomic
#include <condition_variable>  // condition_variable
#include <cstdlib>             // exit
#include <mutex>               // mutex, lock_guard, unique_lock
#include <set>                 // set
#include <sstream>             // istringstream
#include <string>              // string, getline
#include <thread>              // thread
#include <vector>              // vector

#include <gtest/gtest.h>
#include <unistd.h>  // alarm

#include "LogCapture.h"
#include "UniqueMarker.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

// A sink that logs from inside itself, or joins a thread that logs, finishes. A deadlock would
// hang the child process; the alarm ends it so the test fails instead.
TEST(LogTests, SinkThatLogsOrJoinsAThreadThatLogsFinishes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (bool throughAThread : {false, true}) {
    EXPECT_EXIT(
        {
          ::alarm(20);
          std::atomic<int> calls = 0;
          setLogSink([&](std::string_view line) {
            if (++calls > 1) return;
            if (throughAThread) {
              std::thread([] { log("from the helper thread"); }).join();
            } else {
              log("echo of " + std::string(line));
            }
          });
          log("first");
          std::exit(calls == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << throughAThread;
  }
}

TEST(LogTests, ReplacingTheSinkWaitsForCallsStillInIt) {
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false, released = false;
  setLogSink([&](std::string_view) {
    std::unique_lock<std::mutex> lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait(lock, [&] { return released; });
  });
  std::thread logger([] { log("held in the sink"); });
  {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return entered; });
  }
  std::atomic<bool> replaced = false;
  std::thread replacer([&] {
    setLogSink(nullptr);
    replaced = true;
  });
  // The replacement may not return while the old sink (and what it captured) is still in use.
  EXPECT_FALSE(replaced.load());
  {
    std::lock_guard<std::mutex> lock(mutex);
    released = true;
    changed.notify_all();
  }
  replacer.join();
  logger.join();
  EXPECT_TRUE(replaced.load());
}

TEST(LogTests, DefaultSinkKeepsLinesFromManyThreadsWhole) {
  constexpr int kThreads = 8, kLinesPerThread = 200;
  const std::string marker = test::uniqueMarker("line");
  const std::string padding(300, 'x');
  ::testing::internal::CaptureStderr();
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kLinesPerThread; ++i) {
        log(marker + " " + std::to_string(t) + " " + std::to_string(i) + " " + padding);
      }
    });
  }
  for (auto& writer : writers) writer.join();
  std::istringstream written(::testing::internal::GetCapturedStderr());
  std::set<std::string> seen;
  for (std::string line; std::getline(written, line);) {
    if (line.find(marker) == std::string::npos) continue;  // another thread's line
    EXPECT_EQ(line.rfind(marker, 0), 0u) << line;
    EXPECT_EQ(line.size() - line.rfind(' ') - 1, padding.size()) << line;
    seen.insert(line);
  }
  EXPECT_EQ(seen.size(), std::size_t(kThreads * kLinesPerThread));
}

}  // namespace
}  // namespace tarvel
