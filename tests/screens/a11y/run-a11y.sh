#!/usr/bin/env bash
# run-a11y.sh SCREEN_PROCESS: a private X display (Xvfb) and a private session bus, on which the
# AT-SPI bus starts on demand, around a11y_screens.py. Everything started here ends with it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
display_file=$(mktemp)
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$display_file"' EXIT
Xvfb -displayfd 4 -screen 0 1280x800x24 -nolisten tcp 4>"$display_file" &
xvfb=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -1 "$display_file")"
# Debian's own python, which has python3-pyatspi, whatever python3 comes first on the PATH.
timeout 150 dbus-run-session -- /usr/bin/python3 "$here/a11y_screens.py" "$1"
