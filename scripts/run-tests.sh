#!/usr/bin/env bash
# Checks formatting, then builds and runs the suite three ways. Stops at the first failure; the
# last lines printed are always ctest's summary of the build that ran last.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
# Qt's own libraries are not instrumented; their known leaks are not ours to report.
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
# ccache (when installed) is shared by the three build folders and by other checkouts.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

bash scripts/check-format.sh

# The reference manual: Doxygen fails on any warning, an undocumented public member included.
docs_log=build/docs-build.log
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON >/dev/null
# Doxygen may repeat a warning (once a member, once its file), so each is counted once.
docs_warnings() { grep ': \(warning\|error\):' "$docs_log" | sort -u | wc -l; }
if ! cmake --build build --target docs >"$docs_log" 2>&1; then
  cat "$docs_log"
  echo "=== docs: failed, Doxygen warnings: $(docs_warnings) ==="
  exit 1
fi
echo "=== docs: reference built, $(docs_warnings) warnings ==="

# Every parser of outside input, fuzzed for a bounded time over its committed corpus.
started=$SECONDS
bash scripts/run-fuzzers.sh "${TARVEL_FUZZ_SECONDS:-10}"
echo "=== fuzzers: built and ran in $((SECONDS - started)) s ==="

run_build() {
  local dir=$1 label_args=$2; shift 2
  local started=$SECONDS
  echo "=== $dir: configure and build ==="
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
  echo "=== $dir: built in $((SECONDS - started)) s; tests ==="
  show_reports "$dir" "$label_args"
  # ctest's summary (with its total test time) is the last thing each build prints.
  ctest --test-dir "$dir" --output-on-failure -j"$JOBS" -LE "report${label_args:+|$label_args}"
}

# The tests labelled "report" (the fault-injection table, the randomized one-outcome run) run
# first, one at a time so their verbose output does not interleave, and only their figures are
# printed; their whole output is shown when one fails.
show_reports() {
  local output="$1/reports.log" exclude=()
  if [ -n "$2" ]; then exclude=(-LE "$2"); fi
  if ! ctest --test-dir "$1" -L report "${exclude[@]}" --verbose >"$output" 2>&1; then
    tail -n 200 "$output"
    return 1
  fi
  sed -n 's/^[0-9]*: //; /==== fault table/,/==== end of fault table/p; /^one outcome per flow: seed/p' \
    "$output"
}

# Sanitizer builds leave out Qt WebEngine (its Chromium is not built for sanitizers), the
# installed-package check and the Debian packages. Both run the platform, entry and screen
# tests on real widgets: the main queue hands work across threads under a standard mutex that
# ThreadSanitizer sees, so Qt's uninstrumented event loop hides no ordering; scripts/tsan.supp
# names only libraries.
# TARVEL_TSAN_UI=OFF leaves the Qt layers out of the ThreadSanitizer build (about 5 min less
# on two cores with a cold compiler cache, about 1 min with a warm one).
run_build build-asan "web|install|package" -DTARVEL_SANITIZE=address -DTARVEL_BUILD_BENCHMARKS=OFF -DTARVEL_BUILD_DEMO=OFF
run_build build-tsan "web|install|package" -DTARVEL_SANITIZE=thread -DTARVEL_BUILD_UI="${TARVEL_TSAN_UI:-ON}" -DTARVEL_BUILD_BENCHMARKS=OFF -DTARVEL_BUILD_DEMO=OFF
# The normal build also links libtarvel-checkout.so (from the objects the tests use) and its web
# module, checks the library's exported symbols, and builds and unpacks the Debian packages.
run_build build "" -DBUILD_SHARED_LIBS=ON
