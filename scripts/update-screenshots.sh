#!/usr/bin/env bash
# update-screenshots.sh [BUILD_DIR]
# Regenerates the README's pictures in docs/screens: runs the demo shop's scripted shopper
# through every flow against a fresh sandbox (offscreen) and keeps one picture of each screen.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen bash scripts/with-sandbox.sh "$build" \
  "$build/demo/tarvel-demo-shop" --scripted --output "$work" >/dev/null

# picture name in docs/screens <- phase of the scripted run (flow-phase)
declare -A PICK=(
  [shop]=shop-start
  [shop-outcomes]=cancel-after
  [upi-tiles]=upi-tiles-tiles
  [upi-polling]=upi-tiles-polling
  [upi-qr]=upi-qr-qr
  [upi-cancel]=cancel-confirm
  [otp-entry]=cod-otp
  [otp-wrong]=cod-wrong-otp
  [otp-sheet]=cod-modal-sheet
  [web-checkout]=web-page
)
rm -f docs/screens/*.png
for name in "${!PICK[@]}"; do
  source=$(ls "$work"/*-"${PICK[$name]}".png | head -1)
  cp "$source" "docs/screens/$name.png"
done
echo "docs/screens: $(ls docs/screens | wc -l) pictures"
