#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the sandbox and the demo need.
# Only missing packages are installed, so repeated runs cost one dpkg query.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config clang-14 libclang-rt-14-dev file dpkg-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev
  libqt6opengl6-dev libgl-dev libxkbcommon-dev
  libcurl4-openssl-dev nlohmann-json3-dev libcpp-httplib-dev
  libqrencode-dev zlib1g-dev libssl-dev libglib2.0-dev libglib2.0-bin
  openssl ca-certificates desktop-file-utils xdg-utils ccache
  fonts-dejavu-core fonts-noto-core xvfb xauth xdotool doxygen
  at-spi2-core dbus-daemon python3-pyatspi gir1.2-atspi-2.0
  python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
