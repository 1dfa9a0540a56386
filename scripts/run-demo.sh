#!/usr/bin/env bash
# Runs the demo shop against the local sandbox platform. Without a display it runs the
# unattended flows offscreen instead of opening a window.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
demo="$build/demo/tarvel-demo-shop"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  exec bash scripts/with-sandbox.sh "$build" "$demo"
fi

export QT_QPA_PLATFORM=offscreen
exec bash scripts/with-sandbox.sh "$build" "$demo" --scripted --output demo-output
