#!/usr/bin/env bash
# Builds the package (tools/package.sh), installs it into a fresh Debian 12 root made
# with debootstrap (tools/package-root.sh), from the package alone and its declared
# dependencies, and runs it there: auxpad-flash --version, man -w auxpad-flash, and a
# headless auxpad-flash flash against auxpad-sim on a pseudo-terminal, which must end
# with status 0. Needs root (for debootstrap, chroot and the mounts) and Debian's mirror;
# takes some minutes.
#
#   sudo tools/package-test.sh [BUILD_DIR]   (BUILD_DIR as tools/package.sh takes it;
#                                             AUXPAD_MIRROR picks the Debian mirror, by
#                                             default the one this machine's apt uses;
#                                             AUXPAD_PACKAGE_ROOT names a root that
#                                             tools/package-root.sh made beforehand,
#                                             which this test uses up)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "tools/package-test.sh needs root: debootstrap, chroot and mounts" >&2; exit 2; }
deb=$(tools/package.sh "$@" | tail -n 1)

root=${AUXPAD_PACKAGE_ROOT:-}
cleanup() {
  [ -n "$root" ] || return 0
  for m in dev/pts dev proc; do mountpoint -q "$root/$m" && umount -l "$root/$m"; done
  rm -rf "$root"
}
trap cleanup EXIT

if [ -z "$root" ]; then
  root=$(mktemp -d /var/tmp/auxpad-package-test.XXXXXX)
  tools/package-root.sh "$root"
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== installing $(basename "$deb") and what it declares it needs"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" man-db >/dev/null

echo "== auxpad-flash --version"
in_root auxpad-flash --version
echo "== man -w auxpad-flash"
in_root man -w auxpad-flash

echo "== a headless flash of the simulated board"
in_root bash -euc '
  export XDG_CONFIG_HOME=/tmp/config XDG_DATA_HOME=/tmp/data
  mkdir -p /tmp/station && cd /tmp/station
  printf "Format=\"20\"\r\n" >flash.ini
  for n in $(seq 12); do printf "01 02 03 04 05 06 07 08\r\n"; done >initdisk.txt
  for n in $(seq 24); do printf "0a 0b 0c 0d 0e 0f 10 11\r\n"; done >initdata.txt
  auxpad-sim --com 1 --quiet >sim.out 2>sim.err &
  sim=$!
  for _ in $(seq 100); do [ -s sim.out ] && break; sleep 0.05; done
  status=0
  auxpad-flash flash --port COM1 --disk initdisk.txt --data initdata.txt || status=$?
  kill $sim
  echo "auxpad-flash flash ended with status $status"
  exit $status
'
echo "package test passed"
