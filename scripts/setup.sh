#!/usr/bin/env bash
# Installs every Debian package mtrfee needs to build, run and test.
# Idempotent and non-interactive; uses sudo when not run as root.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-pdf-dev libqt6sql6-sqlite libgl-dev libsodium-dev
  # runtime look and language
  qt6-translations-l10n fonts-noto-cjk qt6-qpa-plugins
  # tools for tests, screenshots and the pinyin table generator
  xvfb xauth x11-apps xdotool imagemagick sqlite3 unicode-data bzip2 clang libclang-rt-14-dev
  # spreadsheet engine and printing
  libreoffice-calc-nogui libreoffice-dev libcups2-dev cups cups-client cups-bsd
  printer-driver-cups-pdf poppler-utils
  # the user guide, the icon sizes and the Debian package with its checks
  python3-markdown librsvg2-bin dpkg-dev lintian appstream desktop-file-utils
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi
