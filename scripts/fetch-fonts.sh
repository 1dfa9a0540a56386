#!/usr/bin/env bash
# Reproduces src/resources/fonts from npm: the seven Metropolis faces the component registers
# (TrueType, Latin subset) and the font's licence. The files are committed; run this only to
# refresh them or to check where they came from. The package ships WOFF; the faces are kept as
# plain TrueType, the same tables uncompressed, because FreeType unpacks a WOFF again on every
# open of the face (each thread, each font engine), which the first screen waits for.
#
# Each face is renamed so that its family name is its face name ("Metropolis-Bold", ...): Qt
# matches fonts by family, so QFont("Metropolis-Bold"), a .ui file's font family and a style
# sheet's `font-family: Metropolis-Bold` then all find that face. The font is in the public
# domain (LICENSE), so renaming is allowed. Needs npm and Debian's python3-fonttools.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGE="@fontsource/metropolis@${METROPOLIS_VERSION:-5.3.0}"
DEST=src/resources/fonts

if ! /usr/bin/python3 -c 'import fontTools' 2>/dev/null; then
  echo "python3-fonttools is missing: apt-get install python3-fonttools" >&2
  exit 1
fi

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
  /usr/bin/python3 - "$work/package/files/metropolis-latin-${WEIGHTS[$face]}-normal.woff" \
    "$DEST/Metropolis-$face.ttf" "Metropolis-$face" <<'PY'
import sys
from fontTools.ttLib import TTFont

source, target, face = sys.argv[1:4]
font = TTFont(source)
names = font["name"]
# Family, full name and PostScript name all become the face name; the style stays as it was.
for record in names.names:
    if record.nameID in (1, 4, 6, 16):
        record.string = face
names.names = [r for r in names.names if r.nameID not in (16, 17)]
font.flavor = None
font.save(target)
PY
done
cp "$work/package/LICENSE" "$DEST/LICENSE"
echo "Fonts from $PACKAGE written to $DEST"
