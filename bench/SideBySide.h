#pragma once

#include <algorithm>  // sort
#include <chrono>     // steady_clock, duration
#include <cstdlib>    // getenv
#include <vector>     // vector

#include <benchmark/benchmark.h>

namespace tarvel::bench {

/// Fixed-count benchmarks run a handful of times in the suite's smoke run (TARVEL_BENCH_SMOKE
/// set), where only their correctness counts.
inline benchmark::IterationCount iterationsOr(benchmark::IterationCount count) {
  return std::getenv("TARVEL_BENCH_SMOKE") != nullptr ? 3 : count;
}

/// Runs the component's step and the bare floor's step one after the other in every iteration,
/// so both see the same machine load, and reports the median of each (microseconds) under
/// `componentName` and `bareName`, and their ratio as "ratio". Each step returns false when it
/// failed, which ends the benchmark with `failure`.
template <typename Component, typename Bare>
void sideBySide(benchmark::State& state, Component component, Bare bare, const char* componentName,
                const char* bareName, const char* failure) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> componentMicros;
  std::vector<double> bareMicros;
  for (auto _ : state) {
    const auto start = Clock::now();
    const bool componentDone = component();
    const auto middle = Clock::now();
    const bool bareDone = bare();
    const auto end = Clock::now();
    if (!componentDone || !bareDone) {
      state.SkipWithError(failure);
      break;
    }
    componentMicros.push_back(std::chrono::duration<double, std::micro>(middle - start).count());
    bareMicros.push_back(std::chrono::duration<double, std::micro>(end - middle).count());
  }
  const auto median = [](std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
  };
  const double componentMedian = median(componentMicros);
  const double bareMedian = median(bareMicros);
  state.counters[componentName] = componentMedian;
  state.counters[bareName] = bareMedian;
  state.counters["ratio"] = bareMedian > 0 ? componentMedian / bareMedian : 0;
}

}  // namespace tarvel::bench
