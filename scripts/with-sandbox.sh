#!/usr/bin/env bash
# with-sandbox.sh DIR COMMAND...
# DIR is a build folder (DIR/sandbox/tarvel-sandbox) or an install prefix (DIR/bin/tarvel-sandbox).
# Starts the local payment platform over HTTPS, points the component's staging hosts at it,
# registers the simulated UPI apps as the desktop's handlers in a private XDG folder, runs
# COMMAND, and stops the sandbox again whatever happens.
set -euo pipefail

build=$(cd "$1" && pwd); shift
tools="$build/sandbox"
[ -x "$tools/tarvel-sandbox" ] || tools="$build/bin"
state=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-sandbox.XXXXXX")
log="$state/sandbox.log"

"$tools/tarvel-sandbox" --port 0 --state-dir "$state" >"$log" 2>&1 &
sandbox_pid=$!
cleanup() {
  kill "$sandbox_pid" 2>/dev/null || true
  wait "$sandbox_pid" 2>/dev/null || true
  rm -rf "$state"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  grep -q '^export TARVEL_STAGING_WEB_URL=' "$log" 2>/dev/null && break
  kill -0 "$sandbox_pid" 2>/dev/null || { cat "$log" >&2; echo "sandbox did not start" >&2; exit 1; }
  sleep 0.1
done
eval "$(grep '^export ' "$log")"
echo "Sandbox platform: $TARVEL_STAGING_API_URL (log: $log)"

export XDG_DATA_HOME="$state/xdg-data" XDG_CONFIG_HOME="$state/xdg-config"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$state/xdg-runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fi
"$tools/tarvel-upi-app" --register "$XDG_DATA_HOME" >/dev/null

# Qt WebEngine's own sandbox cannot run as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1

"$@"
