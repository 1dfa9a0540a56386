"""Prints the benchmark table: each figure of the component beside its floor, and the ratio.

Usage: print-table.py BENCH_JSON FIGURES_TXT
BENCH_JSON is Google Benchmark's JSON output of tarvel_benchmarks; FIGURES_TXT holds
"figure <name> <value>" lines from tarvel_flow_bench and scripts/run-bench.sh.
"""
import json
import sys


def counters(bench_json):
    with open(bench_json) as file:
        runs = json.load(file)["benchmarks"]
    return {run["name"].split("/")[0]: run for run in runs if run.get("run_type") != "aggregate"}


def figures(figures_txt):
    """Each figure's value; the median where a figure was measured more than once."""
    samples = {}
    with open(figures_txt) as file:
        for line in file:
            parts = line.split()
            if len(parts) == 3 and parts[0] == "figure":
                samples.setdefault(parts[1], []).append(float(parts[2]))
    return {name: sorted(values)[len(values) // 2] for name, values in samples.items()}


def main():
    bench = counters(sys.argv[1])
    figure = figures(sys.argv[2])
    rows = []

    def add(item, what, component, floor, unit, target, ratio=None):
        if component is None or floor is None:
            rows.append((item, what, "n/a", "n/a", "n/a", target))
            return
        if ratio is None:
            ratio = component / floor if floor else float("nan")
        rows.append((item, what, f"{component:.3g} {unit}", f"{floor:.3g} {unit}", f"{ratio:.2f}",
                     target))

    def counter(name, key):
        run = bench.get(name)
        return None if run is None or run.get("error_occurred") else run.get(key)

    for scheme in ("Https", "Http"):
        name = f"BM_{scheme}PollServiceVersusBareCurl"
        add("1", f"checkPaymentStatus round trip, {scheme.upper()} (median; floor: bare libcurl)",
            counter(name, "service_us"), counter(name, "bare_curl_us"), "us", "ratio <= 1.10")
    handoff = bench.get("BM_LoaderThreadHandOff")
    handoff_us = None if handoff is None else handoff["real_time"] / 1000.0
    https_service = counter("BM_HttpsPollServiceVersusBareCurl", "service_us")
    https_bare = counter("BM_HttpsPollServiceVersusBareCurl", "bare_curl_us")
    add("1", "HTTPS gap service - bare (floor: the loader's two thread hand-offs, mean)",
        None if https_service is None or https_bare is None else https_service - https_bare,
        handoff_us, "us", "print")
    for flow in ("upi", "otp"):
        for kind in ("cpu", "wall"):
            add("3", f"{flow.upper()} flow, 2 s answers: longest main-thread stall, {kind.upper()} "
                "(floor: 16 ms frame)", figure.get(f"stall_{flow}_{kind}_ms"), 16, "ms", "< 16 ms")
    for variant, when in (("cold", "cold"), ("warm", "after warmUp()")):
        add("4", f"openCart -> UPI screen's first paint, {when} (floor: bare widget, same .ui)",
            figure.get(f"coldstart_{variant}_paint_ms"), figure.get("coldstart_bare_paint_ms"),
            "ms", "<= 3")
        add("4", f"openCart -> verify request at the server, {when} (floor: new libcurl client's "
            "first HTTPS request)", figure.get(f"coldstart_{variant}_verify_ms"),
            figure.get("coldstart_bare_verify_ms"), "ms", "<= 1.5")
    add("4", "TLS handshakes up to the verify after warmUp() (floor: 1, the warm-up's, reused)",
        figure.get("coldstart_warm_tls_handshakes"), 1, "", "1")
    add("5", "peak RSS, the bare window paying one UPI QR order (floor: the same window alone)",
        figure.get("memory_bare_window_pays_mib"), figure.get("memory_bare_window_mib"), "MiB",
        "<= 1.5")
    add("5", "peak RSS, headless demo shop, one UPI QR flow (floor: bare Qt Widgets window)",
        figure.get("memory_demo_upi_mib"), figure.get("memory_bare_window_mib"), "MiB", "print")
    add("5", "peak RSS, headless demo, web flow (floor: bare QWebEngine page)",
        figure.get("memory_demo_web_mib"), figure.get("memory_bare_webpage_mib"), "MiB", "print")
    add("5", "peak RSS, bare window linked with Qt WebEngine, never started (floor: bare window)",
        figure.get("memory_bare_window_web_linked_mib"), figure.get("memory_bare_window_mib"),
        "MiB", "print")
    name = "BM_VerifyAnswerVersusBareParse"
    add("6", "100 KB verify answer: parse + log line (median; floor: nlohmann parse)",
        counter(name, "component_us"), counter(name, "bare_us"), "us", "print")
    name = "BM_QrDecodeVersusBareImageLoad"
    add("6", "QR code decode (median; floor: bare QImage load of the PNG)",
        counter(name, "component_us"), counter(name, "bare_us"), "us", "print")
    bare_hold = figure.get("web_bare_stall_wall_ms")
    add("7", "first web checkout: longest GUI-thread hold (floor: bare QWebEngineView start)",
        figure.get("web_component_stall_wall_ms"), bare_hold, "ms", "own share ~0")
    add("7", "first web checkout after warmUpWebCheckout(): longest hold (floor: bare view)",
        figure.get("web_warm_stall_wall_ms"), bare_hold, "ms", "print")
    size = figure.get("size_linked_stripped_bytes")
    add("8", "component linked whole, stripped (floor: the 2 MB a host accepts)",
        None if size is None else size / 1e6, 2.0, "MB", "<= 2 MB")
    size = figure.get("size_web_module_stripped_bytes")
    add("8", "web checkout module, stripped, shipped only with the web checkout (floor: 2 MB)",
        None if size is None else size / 1e6, 2.0, "MB", "print")
    size = figure.get("size_stripped_archives_bytes")
    add("8", "the two static archives, stripped of debug and local symbols (floor: 2 MB)",
        None if size is None else size / 1e6, 2.0, "MB", "print")

    widths = [max(len(str(row[i])) for row in rows + [HEADER]) for i in range(len(HEADER))]
    for index, row in enumerate([HEADER] + rows):
        print(" | ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row)).rstrip())
        if index == 0:
            print("-+-".join("-" * width for width in widths))


HEADER = ("#", "figure", "component", "floor", "ratio", "target")

if __name__ == "__main__":
    main()
