#!/usr/bin/env bash
# Builds and runs the benchmarks, and prints one table: each figure of the component beside the
# floor beneath it (bare libcurl, nlohmann, QImage, a bare Qt widget or web view) and the ratio.
#
#   scripts/run-bench.sh [build-dir] [Google Benchmark flags...]   (make bench)
#   scripts/run-bench.sh --smoke [build-dir]                       (the ctest entry)
#
# --smoke builds nothing and runs every benchmark once and the quick flows, for correctness
# only: it fails when a benchmark or a flow fails, never because of a time.
set -euo pipefail
cd "$(dirname "$0")/.."

SMOKE=0
if [ "${1:-}" = "--smoke" ]; then SMOKE=1; shift; fi
BUILD=${1:-build}
shift || true
BUILD=$(cd "$BUILD" 2>/dev/null && pwd || echo "$BUILD")

if [ "$SMOKE" = 0 ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" --target tarvel_benchmarks tarvel_flow_bench \
    tarvel_bare_window tarvel_bare_window_pays tarvel_bare_window_web_linked tarvel_bare_webpage \
    tarvel-sandbox tarvel-upi-app tarvel-demo-shop
fi
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"

out=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
figures="$out/figures.txt"
: >"$figures"
flow="$BUILD/bench/tarvel_flow_bench"

# Runs one flow mode; its "figure" lines go to the table, a failure ends the run.
run_flow() {
  echo "--- tarvel_flow_bench $*" >&2
  if ! "$flow" "$@" >"$out/flow.txt" 2>"$out/flow.err"; then
    cat "$out/flow.txt" "$out/flow.err" >&2
    echo "tarvel_flow_bench $* did not end as expected" >&2
    exit 1
  fi
  grep '^figure ' "$out/flow.txt" >>"$figures"
}

# Peak resident memory of a whole program run: `python3 $peak NAME COMMAND...` adds the figure
# NAME (MiB) to the table; the program must exit 0.
peak="$out/peak.py"
cat >"$peak" <<'PY'
import resource, subprocess, sys
code = subprocess.run(sys.argv[3:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
with open(sys.argv[1], "a") as figures:
    figures.write("figure %s %.1f\n" % (sys.argv[2], resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024.0))
sys.exit(code)
PY

if [ "$SMOKE" = 1 ]; then
  export TARVEL_BENCH_SMOKE=1
  "$BUILD/bench/tarvel_benchmarks" --benchmark_min_time=0.001 \
    --benchmark_out="$out/bench.json" --benchmark_out_format=json >/dev/null
  run_flow stall --delay-ms 0 --flows otp
  for variant in bare cold warm; do run_flow coldstart "$variant"; done
  run_flow webstart warm
  if grep -q '"error_occurred": true' "$out/bench.json"; then
    echo "a benchmark reported an error" >&2
    exit 1
  fi
  echo "Benchmarks and flows ran as expected (smoke run, no figures judged)"
  exit 0
fi

"$BUILD/bench/tarvel_benchmarks" --benchmark_counters_tabular=true \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json "$@"

run_flow stall --delay-ms 2000
# One-time costs are single samples on a shared machine: three rounds, interleaved, and the
# table takes the median of each.
for round in 1 2 3; do
  for variant in bare cold warm; do run_flow coldstart "$variant"; done
  for variant in bare component warm; do run_flow webstart "$variant"; done
done

# Memory: whole processes, each on its own. The judged figure is the bare window paying one UPI
# QR order through the component, against the same window alone: the flow's price and nothing
# else. The demo shop's figures (its own window, product art and control channel on top) are
# printed beside it; the web flow loads the web checkout module. The floors are bare Qt programs.
echo "--- memory" >&2
with_sandbox() { bash scripts/with-sandbox.sh "$BUILD" "$@" >/dev/null; }
with_sandbox python3 "$peak" "$figures" memory_demo_upi_mib \
  "$BUILD/demo/tarvel-demo-shop" --scripted --no-pictures --flow upi-qr --output "$out/demo-upi"
with_sandbox python3 "$peak" "$figures" memory_demo_web_mib \
  "$BUILD/demo/tarvel-demo-shop" --scripted --no-pictures --flow web --output "$out/demo-web"
python3 "$peak" "$figures" memory_bare_window_mib "$BUILD/bench/tarvel_bare_window"
with_sandbox python3 "$peak" "$figures" memory_bare_window_pays_mib \
  "$BUILD/bench/tarvel_bare_window_pays"
python3 "$peak" "$figures" memory_bare_window_web_linked_mib \
  "$BUILD/bench/tarvel_bare_window_web_linked"
with_sandbox bash -c 'python3 "$0" "$1" memory_bare_webpage_mib "$2" "$("$3" pageurl)"' \
  "$peak" "$figures" "$BUILD/bench/tarvel_bare_webpage" "$flow"

# Size: what the component adds to a host, its two static libraries linked whole into one
# stripped shared object (templates that every object file repeats are kept once there, as in
# a host's link), and the archives themselves, stripped of what a link does not need.
echo "--- size" >&2
c++ -shared -o "$out/libtarvel.so" -Wl,--whole-archive "$BUILD/src/libtarvel_checkout.a" \
  "$BUILD/src/libtarvel_core.a" -Wl,--no-whole-archive
strip --strip-all "$out/libtarvel.so"
printf 'figure size_linked_stripped_bytes %s\n' "$(stat -c %s "$out/libtarvel.so")" >>"$figures"
module=$(ls "$BUILD"/src/screens/web/libtarvel_web_checkout.so)
strip --strip-all -o "$out/web-module.so" "$module"
printf 'figure size_web_module_stripped_bytes %s\n' "$(stat -c %s "$out/web-module.so")" >>"$figures"
bytes=0
for lib in "$BUILD/src/libtarvel_core.a" "$BUILD/src/libtarvel_checkout.a"; do
  strip --strip-unneeded -o "$out/stripped.a" "$lib"
  bytes=$((bytes + $(stat -c %s "$out/stripped.a")))
done
printf 'figure size_stripped_archives_bytes %s\n' "$bytes" >>"$figures"

python3 bench/print-table.py "$out/bench.json" "$figures"
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), load $(cut -d' ' -f1-3 /proc/loadavg)"
