#!/usr/bin/env bash
# run-fuzzers.sh [SECONDS] [NAME...]
# Builds the libFuzzer targets with clang (folder build-fuzz) and runs each for SECONDS
# (default 30) over its committed corpus in fuzz/corpus/<name>. New inputs go to a temporary
# folder, so the committed corpus only changes by hand. A crash stops the run and leaves the
# input beside the output (crash-*): turn it into a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON \
  -DTARVEL_FUZZ=ON -DTARVEL_SANITIZE=address -DTARVEL_BUILD_UI=OFF -DTARVEL_BUILD_TESTS=OFF \
  -DTARVEL_BUILD_SANDBOX=OFF -DTARVEL_BUILD_DEMO=OFF -DTARVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for dir in fuzz/corpus/*/; do names+=("$(basename "$dir")"); done
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for name in "${names[@]}"; do
  mkdir -p "$work/$name"
  printf 'fuzz %-16s ' "$name"
  if ! "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/$name-" "$work/$name" "fuzz/corpus/$name" \
        >"build-fuzz/$name.log" 2>&1; then
    echo "FAILED (see build-fuzz/$name.log)"
    tail -30 "build-fuzz/$name.log"
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/$name.log" | grep -o '[0-9]*$')
  echo "${runs:-?} inputs in ${seconds} s, no crash"
done
