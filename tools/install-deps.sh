#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing,
# and any further packages named as arguments.
set -euo pipefail

packages=(
  cmake make ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqt6sql6-sqlite libqt6sql6-psql
  qt6-httpserver-dev qt6-websockets-dev chromium
  postgresql
  libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-liberation
  libzint-dev libcups2-dev
  cups printer-driver-cups-pdf dmtx-utils poppler-utils
  procps
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
