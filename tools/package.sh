#!/usr/bin/env bash
# Builds the Debian package auxpad-flash_<version>_amd64.deb, with the manual pages made
# by help2man, and has lintian check it; any error it reports fails this script. Prints
# the package's path last.
#
#   tools/package.sh [BUILD_DIR]   (default: build-package/, a Release build of its own;
#                                   an existing build folder is packaged as it is built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
tools/install-deps.sh dpkg-dev fakeroot help2man lintian >&2
if [ -z "${1:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DAUXPAD_PACKAGE=ON >/dev/null
else
  cmake -S . -B "$build" -DAUXPAD_PACKAGE=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target auxpad-flash auxpad-sim auxpad_docs >&2
rm -f "$build"/auxpad-flash_*_amd64.deb
(cd "$build" && cpack -G DEB >&2)
deb=$(ls "$build"/auxpad-flash_*_amd64.deb)
# Errors fail; warnings and notes are shown.
lintian --fail-on error "$deb" >&2
echo "$deb"
