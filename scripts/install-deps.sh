#!/usr/bin/env bash
# Installs every Debian package the project builds, runs and tests with.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libqt6test6 libgl-dev
  fonts-noto-cjk
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libcpp-httplib-dev
  libsqlite3-dev
  libfreexl-dev mdbtools-dev libshp-dev pxlib-dev
  libgif-dev libasound2-dev libsndfile1-dev libfluidsynth-dev fluid-soundfont-gm
  libopencore-amrnb-dev
  python3 python3-pyftpdlib python3-xlrd python3-xlwt python3-dbf tinyproxy-bin
  qt6-translations-l10n
  xauth xvfb
  binutils
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
