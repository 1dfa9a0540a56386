#!/usr/bin/env bash
# test-installed-package.sh BUILD_DIR
# Installs the component from BUILD_DIR into a temporary prefix, builds the tiny host project in
# tests/install/host against that prefix only, and runs it against a fresh sandbox started by
# the installed launcher.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "$1" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S tests/install/host -B "$work/host" -DCMAKE_PREFIX_PATH="$work/prefix" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/host" -j"$(nproc)" >/dev/null
QT_QPA_PLATFORM=offscreen \
  "$work/prefix/bin/tarvel-with-sandbox" "$work/prefix" "$work/host/installed-host"
