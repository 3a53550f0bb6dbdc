#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: from the gcc build (build/), then
# again from the clang build under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), where any report fails the run, also one from a program a test starts
# (the simulator, the tool); every fuzz target for 20 s from its seeds; and the Debian
# package installed into a fresh Debian 12 root and run there.
#
# The stages overlap. The gcc build starts once what it needs is installed, while the
# rest installs. Most tests wait (a board's format time, a server's restart) rather than
# compute, so the clang build and the package test (mostly a wait on the mirror) run while
# the gcc tests wait, and the fuzz targets while the clang tests wait, at the lowest
# priority, so that a test that needs a core gets it. Each stage's output is shown in full
# once it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
as_root=0
[ "$(id -u)" -eq 0 ] && as_root=1
logs=$(mktemp -d)
reports=$(mktemp -d)
trap 'rm -rf "$logs" "$reports"' EXIT
status=0

# stage NAME COMMAND...: runs in the background at the lowest priority, into $logs/NAME.
stage() {
  local name=$1
  shift
  date +%s >"$logs/$name.start"
  nice -n 19 "$@" >"$logs/$name" 2>&1 &
  echo $! >"$logs/$name.pid"
}
# took NAME: the seconds since the stage NAME started.
took() {
  echo "$(($(date +%s) - $(cat "$logs/$1.start"))) s"
}
# finish NAME: waits for the stage, shows its output, and fails the run if it failed.
finish() {
  local name=$1
  if wait "$(cat "$logs/$name.pid")"; then
    echo "== $name: passed in $(took "$name")"
  else
    echo "== $name: FAILED after $(took "$name")"
    status=1
  fi
  cat "$logs/$name"
}

# What the gcc build needs first; the rest installs while it builds.
date +%s >"$logs/run.start"
tools/install-deps.sh --build
date +%s >"$logs/gcc-build.start"
tools/build.sh >"$logs/gcc-build" 2>&1 &
build=$!
more=()
# What the package test needs too, in the same one install.
[ $as_root -eq 1 ] && more=(debootstrap dpkg-dev fakeroot help2man lintian)
# A failed install fails the run, but only once the build is done, so that no build is
# left running behind it.
tools/install-deps.sh "${more[@]}" || status=1
wait $build || status=1
cat "$logs/gcc-build"
echo "== gcc build: ended after $(took gcc-build)"
[ $status -eq 0 ] || exit $status
export QT_QPA_PLATFORM=offscreen
# Three tests at a time per core: most of them wait.
jobs=$(( $(nproc) * 3 ))

if [ $as_root -eq 1 ]; then
  # The package from build/, installed into a fresh Debian 12 root and run there: mostly
  # a wait on the mirror and on dpkg, so it starts as soon as build/ is built.
  stage package tools/package-test.sh build
else
  echo "The package test needs root; run sudo tools/package-test.sh."
fi
stage clang-build tools/build-asan.sh
echo "== gcc tests"
date +%s >"$logs/gcc-tests.start"
(cd build && ctest --output-on-failure --timeout 600 -j"$jobs") || status=1
echo "== gcc tests: ended after $(took gcc-tests)"
finish clang-build
if [ $status -ne 0 ]; then
  [ $as_root -eq 0 ] || finish package
  exit $status
fi

stage fuzz env AUXPAD_BUILT=1 tools/fuzz.sh 20
echo "== clang tests under the sanitizers"
date +%s >"$logs/clang-tests.start"
(
  cd build-asan
  export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
  export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1"
  ctest --output-on-failure --timeout 900 -j"$jobs"
) || status=1
echo "== clang tests: ended after $(took clang-tests)"
if [ -n "$(ls -A "$reports")" ]; then
  for f in "$reports"/*; do
    echo "== $f" && cat "$f"
  done
  echo "Sanitizer reports above."
  status=1
fi
finish fuzz
[ $as_root -eq 0 ] || finish package
echo "== the whole run: $(took run)"
exit $status
