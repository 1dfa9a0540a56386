#!/usr/bin/env bash
# Reproduces src/resources/fonts from npm: the seven Metropolis faces the component registers
# (WOFF, Latin subset) and the font's licence. The files are committed; run this only to
# refresh them or to check where they came from.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGE="@fontsource/metropolis@${METROPOLIS_VERSION:-5.3.0}"
DEST=src/resources/fonts

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "$PACKAGE" >/dev/null && tar -xzf ./*.tgz)

# Face name (as the screens ask for it) and the package's weight for that face.
declare -A WEIGHTS=(
  [Thin]=100 [ExtraLight]=200 [Light]=300 [Regular]=400
  [Medium]=500 [Bold]=700 [Black]=900
)

mkdir -p "$DEST"
for face in "${!WEIGHTS[@]}"; do
  cp "$work/package/files/metropolis-latin-${WEIGHTS[$face]}-normal.woff" \
     "$DEST/Metropolis-$face.woff"
done
cp "$work/package/LICENSE" "$DEST/LICENSE"
echo "Fonts from $PACKAGE written to $DEST"
