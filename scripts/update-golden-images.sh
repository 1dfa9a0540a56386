#!/usr/bin/env bash
# update-golden-images.sh [BUILD_DIR]
# Rewrites the reviewed pictures in tests/screens/golden after a reviewed change of the screens'
# looks: builds the golden test and runs it in writing mode. Look at every changed picture
# (phone and desktop size) before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j2 --target tarvel_golden_tests
TARVEL_UPDATE_GOLDEN=1 "$build/tests/screens/golden/tarvel_golden_tests"
git status --short tests/screens/golden
