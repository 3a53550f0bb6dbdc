#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing,
# and any further packages named as arguments. With --build first, only what the gcc
# build needs, so that it can start while the rest installs.
#
#   tools/install-deps.sh [--build] [PACKAGE...]
set -euo pipefail

build=(
  cmake make ninja-build g++ lld pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-httpserver-dev qt6-websockets-dev
  libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libzint-dev libcups2-dev libmosquitto-dev libsodium-dev
)
rest=(
  libqt6sql6-sqlite libqt6sql6-psql chromium
  postgresql
  clang libclang-rt-14-dev
  fonts-liberation
  cups printer-driver-cups-pdf dmtx-utils poppler-utils
  mosquitto mosquitto-clients openssl
  procps
  xvfb qt6-qpa-plugins dbus at-spi2-core python3-pyatspi
)
if [ "${1:-}" = --build ]; then
  shift
  packages=("${build[@]}" "$@")
else
  packages=("${build[@]}" "${rest[@]}" "$@")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
# Without a sync after every file written: on a fresh machine this halves the install's
# time; only a crash during the install itself could leave a package's files incomplete.
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
  -o Dpkg::Options::=--force-unsafe-io "${missing[@]}"
