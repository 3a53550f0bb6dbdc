#!/usr/bin/env bash
# Makes a fresh Debian 12 root (debootstrap's minbase, with apt's lists read) in DIR, for
# tools/package-test.sh to install the package into. Most of its time is a wait on the
# mirror, so tools/test-all.sh makes it while the build runs. A root left half made is
# removed.
#
#   sudo tools/package-root.sh DIR   (AUXPAD_MIRROR picks the Debian mirror, by default
#                                     the one this machine's apt uses)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "tools/package-root.sh needs root: debootstrap and chroot" >&2; exit 2; }
root=$1
# The mirror this machine's apt uses (deb822 sources or the classic list); without one,
# debootstrap picks its own.
apt_mirror() {
  { sed -n 's/^URIs: *\([^ ]*\/debian\/\{0,1\}\)$/\1/p' /etc/apt/sources.list.d/*.sources
    sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\/debian\/\{0,1\}\) .*/\2/p' /etc/apt/sources.list /etc/apt/sources.list.d/*.list
  } 2>/dev/null | head -n 1 || true # a list that is not there, or not read to its end, is no fault
}
mirror=${AUXPAD_MIRROR:-$(apt_mirror)}
tools/install-deps.sh debootstrap
made=0
trap '[ $made -eq 1 ] || rm -rf "$root"' EXIT

echo "== a fresh Debian 12 root from ${mirror:-the mirror debootstrap picks}"
mkdir -p "$root"
debootstrap --variant=minbase bookworm "$root" ${mirror:+"$mirror"} >"$root.log" 2>&1 || { cat "$root.log"; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 apt-get update -qq
made=1
