#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Korvane need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libjpeg62-turbo-dev libcdio-dev libsane-dev libsane1 libsane-common sane-utils
  fonts-liberation2 fonts-dejavu-core fontconfig netbase
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-dev lld
  xvfb xauth openbox xdotool imagemagick poppler-utils
  libcups2-dev cups-daemon cups-client
  python3 python3-pil libtiff-tools netpbm dante-server
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
