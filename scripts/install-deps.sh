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
  locales
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

# The locales the tests run under (a comma decimal separator among them); generated only when
# missing.
LOCALES=(de_DE.UTF-8 en_US.UTF-8 zh_CN.UTF-8)
have=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')
generate=0
for l in "${LOCALES[@]}"; do
  norm=$(printf '%s' "$l" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8$/utf8/')
  if ! printf '%s\n' "$have" | grep -qx "$norm"; then
    if grep -qE "^#? *${l//./\\.} UTF-8" /etc/locale.gen; then
      $SUDO sed -i -E "s/^# *(${l//./\\.} UTF-8)/\\1/" /etc/locale.gen
    else
      echo "$l UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    generate=1
  fi
done
if [ "$generate" -eq 1 ]; then $SUDO locale-gen; fi
