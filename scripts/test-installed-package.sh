#!/usr/bin/env bash
# test-installed-package.sh BUILD_DIR
# Installs the component from BUILD_DIR into a temporary prefix, builds the tiny host project in
# tests/install/host against that prefix only, and runs it against a fresh sandbox started by
# the installed launcher; then loads the installed web checkout module. A second prefix without
# the web module (install component "web" left out) must still build the host, which links no
# Qt WebEngine and whose web order ends with an error naming the missing module.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "$1" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvel-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

# build_host PREFIX DIR: the host project built against PREFIX only.
build_host() {
  cmake -S tests/install/host -B "$2" -DCMAKE_PREFIX_PATH="$1" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$2" -j"$(nproc)" >/dev/null
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
build_host "$work/prefix" "$work/host"
QT_QPA_PLATFORM=offscreen \
  "$work/prefix/bin/tarvel-with-sandbox" "$work/prefix" "$work/host/installed-host"

# The temporary prefix is not the one compiled in, so the host is pointed at its module.
module=$(find "$work/prefix" -name 'libtarvel_web_checkout.so*' -type f -print -quit)
test -n "$module" || { echo "test-installed-package: no web checkout module installed" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 TARVEL_WEB_MODULE_PATH="$module" \
  "$work/host/installed-host" web

# The library ("runtime", a shared build's only) and the development files, nothing else.
for component in runtime dev; do
  cmake --install "$build" --prefix "$work/bare" --component "$component" >/dev/null
done
if find "$work/bare" -name 'libtarvel_web_checkout*' | grep -q .; then
  echo "test-installed-package: the web module was installed without its component" >&2; exit 1
fi
build_host "$work/bare" "$work/bare-host"
if ldd "$work/bare-host/installed-host" | grep -i webengine; then
  echo "test-installed-package: a host without the web module links Qt WebEngine" >&2; exit 1
fi
QT_QPA_PLATFORM=offscreen TARVEL_WEB_MODULE_PATH="${module/$work\/prefix/$work/bare}" \
  "$work/bare-host/installed-host" no-web
