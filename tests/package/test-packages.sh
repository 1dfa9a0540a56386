#!/usr/bin/env bash
# test-packages.sh BUILD_DIR
# The Debian packages as a merchant's machine gets them, without installing anything system-wide:
# cpack builds them from BUILD_DIR (a -DBUILD_SHARED_LIBS=ON build, already built), dpkg-deb
# unpacks them into a temporary root, and two hosts are built against that root only, one with
# find_package(TarvelCheckout) and one with `pkg-config --cflags --libs tarvel-checkout`. Both
# run the RTO flow against the packaged sandbox (started on 127.0.0.1, any free port); the
# CMake host also opens the packaged web module, which must load from beside the packaged
# library. Each package's Depends must name the Debian package of every library its binaries
# link.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "test-packages: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/debs" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
du -h "$work"/debs/*.deb | sed "s|$work/debs/||"

# package_file NAME: the one .deb of package NAME.
package_file() {
  local found
  found=$(find "$work/debs" -maxdepth 1 -name "$1_*.deb")
  [ "$(printf '%s\n' "$found" | grep -c .)" -eq 1 ] || fail "no single package $1 (found: $found)"
  printf '%s\n' "$found"
}
runtime=$(find "$work/debs" -maxdepth 1 -name 'libtarvel-checkout[0-9]*_*.deb' -printf '%f\n' |
          cut -d_ -f1)
[ -n "$runtime" ] || fail "no runtime library package"
packages=("$runtime" libtarvel-checkout-web libtarvel-checkout-dev tarvel-sandbox)

declare -A depends
for p in "${packages[@]}"; do
  deb=$(package_file "$p")
  depends[$p]=$(dpkg-deb -f "$deb" Depends)
  echo "test-packages: $p depends on: ${depends[$p]}"
  mkdir -p "$work/unpacked/$p"
  dpkg-deb -x "$deb" "$work/unpacked/$p"
  dpkg-deb -x "$deb" "$work/root"
done

# has_depend PACKAGE NAME: NAME is in PACKAGE's Depends (as a whole package name).
has_depend() { printf '%s\n' "${depends[$1]}" | tr ',|' '\n' | awk '{ print $1 }' | grep -qxF "$2"; }
for d in fonts-noto-core libqt6widgets6 libcurl4 libssl3; do
  has_depend "$runtime" "$d" || fail "$runtime does not depend on $d"
done
has_depend libtarvel-checkout-web "$runtime" || fail "the web module's package does not depend on $runtime"
has_depend libtarvel-checkout-web libqt6webenginewidgets6 || fail "the web package lacks Qt WebEngine"
has_depend libtarvel-checkout-dev "$runtime" || fail "the development package does not depend on $runtime"
has_depend libtarvel-checkout-dev qt6-base-dev || fail "the development package lacks qt6-base-dev"

# Every library an unpacked binary links comes from a package it depends on: one of these
# packages, or the system package that owns the library here.
for p in "${packages[@]}"; do
  while IFS= read -r elf; do
    for needed in $(objdump -p "$elf" | awk '$1 == "NEEDED" { print $2 }'); do
      owner=""
      for q in "${packages[@]}"; do
        if find "$work/unpacked/$q" -name "$needed" | grep -q .; then owner=$q; fi
      done
      if [ -z "$owner" ]; then
        path=$(ldconfig -p | awk -v lib="$needed" '$1 == lib && !found { print $NF; found = 1 }')
        [ -n "$path" ] || fail "$needed (linked by $elf) is not on this system"
        owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n1 | cut -d: -f1) ||
          owner=$(dpkg -S "$path" | head -n1 | cut -d: -f1)
      fi
      [ "$owner" = "$p" ] || has_depend "$p" "$owner" ||
        fail "$p: $(basename "$elf") links $needed from $owner, which $p does not depend on"
    done
  done < <(find "$work/unpacked/$p" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
done

usr="$work/root/usr"
lib=$(dirname "$(find "$usr" -name 'libtarvel-checkout.so.*' -type f -print -quit)")
[ -d "$lib" ] || fail "no libtarvel-checkout.so unpacked"
export LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1

# The host built with CMake against the unpacked root only.
cmake -S tests/install/host -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$usr" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$work/cmake-host" >/dev/null

# The same host built with pkg-config; the .pc finds its prefix from its own place.
pcdir=$(dirname "$(find "$usr" -name tarvel-checkout.pc -print -quit)")
flags=$(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs tarvel-checkout)
echo "test-packages: pkg-config tarvel-checkout: $flags"
# shellcheck disable=SC2086  # the flags are words
c++ -std=c++20 -fPIC tests/install/host/main.cpp $flags -o "$work/pc-host"
ldd "$work/pc-host" | grep -F "libtarvel-checkout.so" | grep -qF "$lib/" ||
  fail "the pkg-config host does not use the unpacked library"

# run_host NAME COMMAND...: the command under the packaged sandbox; its output must hold the
# successful outcome.
run_host() {
  local name=$1; shift
  if ! timeout 180 "$usr/bin/tarvel-with-sandbox" "$usr" "$@" >"$work/$name.log" 2>&1; then
    cat "$work/$name.log"; fail "$name did not end with the expected outcome"
  fi
  grep -q '^installed host: outcome true' "$work/$name.log" ||
    { cat "$work/$name.log"; fail "$name heard no successful outcome"; }
  echo "test-packages: $name: $(grep '^installed host: outcome' "$work/$name.log")"
}
run_host cmake-host "$work/cmake-host/installed-host"
run_host pkg-config-host "$work/pc-host"

# The packaged web module loads from beside the packaged library (no path given) and starts
# its engine.
timeout 180 "$work/cmake-host/installed-host" web >"$work/web.log" 2>&1 ||
  { cat "$work/web.log"; fail "the web module did not start"; }
grep -qF "Web checkout module loaded from $lib/libtarvel_web_checkout.so" "$work/web.log" ||
  { cat "$work/web.log"; fail "the web module was not loaded from the unpacked root"; }
echo "test-packages: the packaged web checkout module loaded from the unpacked root"
