#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: from the gcc build (build/), then
# again from the clang build under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), where any report fails the run, also one from a program a test starts
# (the simulator, the tool); then every fuzz target for 20 s from its seeds; last, the
# Debian package installed into a fresh Debian 12 root and run there.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
export QT_QPA_PLATFORM=offscreen
# Most tests wait (a board's format time, a server's restart) rather than compute, so more
# of them run at once than there are cores.
jobs=$(( $(nproc) * 2 ))
(cd build && ctest --output-on-failure --timeout 600 -j"$jobs")

tools/build-asan.sh
reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
status=0
(
  cd build-asan
  export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
  export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1"
  ctest --output-on-failure --timeout 900 -j"$jobs"
) || status=1
if [ -n "$(ls -A "$reports")" ]; then
  for f in "$reports"/*; do
    echo "== $f" && cat "$f"
  done
  echo "Sanitizer reports above."
  status=1
fi

tools/fuzz.sh 20 || status=1

# The package, built from build/, installed into a fresh Debian 12 root and run there.
# That takes root; elsewhere it is left to tools/package-test.sh by hand.
if [ "$(id -u)" -eq 0 ]; then
  tools/package-test.sh build || status=1
else
  echo "The package test needs root; run sudo tools/package-test.sh."
fi
exit $status
