#!/usr/bin/env bash
# Builds and runs the benchmarks. Usage: scripts/run-bench.sh [build-dir] [benchmark flags...]
# The build directory defaults to "build"; extra flags go to Google Benchmark, e.g.
#   scripts/run-bench.sh build --benchmark_filter=Color
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
shift || true

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target tarvel_benchmarks
"$BUILD/bench/tarvel_benchmarks" --benchmark_counters_tabular=true "$@"
