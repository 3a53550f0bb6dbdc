#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: from a clang build under
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), where any report fails
# the run, also one from a program a test starts (the simulator, the tool); those that
# need the build that ships (CTest's label shipped_build: the sweep of seeds, the same
# seed run again, how live the window stays, the tool's answer within a second, what a
# screen reader hears) from the gcc build (build/); every fuzz target for 20 s from its
# seeds; and the Debian package of the gcc build installed into a fresh Debian 12 root
# and run there.
#
# On two cores the run is bound by the compilers, so the stages overlap, the builds are
# lean, and the longest chain goes first. The gcc build starts once what it needs is
# installed, while the rest installs. It builds the tool, the simulated board and the
# programs of its own tests, no more: the sanitized build runs every other test, and
# building them twice would cost minutes. It keeps line tables as its only debug
# information: every backtrace still has its files and lines, and the build takes a third
# less time. Once the rest is installed the clang build starts, below the gcc build's
# priority, and beside it the package test: the fresh Debian root, then the package of the
# gcc build installed and run there. That test mostly waits (on the mirror, and on the
# simulated board's flash in real time), so it must not be left to the end, when it would
# wait alone; at the lowest priority it was starved until the clang tests ended and then
# added a minute to the run. The sweep of seeds, which only computes and ends minutes
# before the clang tests, starts below both. So the clang build and its tests, the longest
# chain, take what the gcc build and its tests (which mostly wait) leave, and the rest
# fills the gaps. The fuzz targets run for a time, not for a number of inputs, so they
# take only what nothing else wants. Each stage's output is shown in full once it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
as_root=0
[ "$(id -u)" -eq 0 ] && as_root=1
logs=$(mktemp -d)
reports=$(mktemp -d)
trap 'rm -rf "$logs" "$reports"' EXIT
status=0

# stage NAME PRIORITY COMMAND...: runs in the background, into $logs/NAME, at the
# niceness PRIORITY, or, when it is "idle", only on what nothing else wants.
stage() {
  local name=$1 priority=$2
  shift 2
  date +%s >"$logs/$name.start"
  (
    rc=0
    (
      if [ "$priority" = idle ]; then
        chrt --idle -p 0 $BASHPID >/dev/null
      else
        renice -n "$priority" -p $BASHPID >/dev/null
      fi && "$@"
    ) >"$logs/$name" 2>&1 || rc=$?
    date +%s >"$logs/$name.end"
    exit $rc
  ) &
  echo $! >"$logs/$name.pid"
}
# took NAME: the seconds from the start of the stage NAME to its end, or to now.
took() {
  local end
  end=$(cat "$logs/$1.end" 2>/dev/null || date +%s)
  echo "$((end - $(cat "$logs/$1.start"))) s"
}
# ended NAME: when the stage NAME ended, in seconds from the start of the run.
ended() {
  echo "$(($(cat "$logs/$1.end") - $(cat "$logs/run.start"))) s"
}
# finish NAME: waits for the stage, shows its output, and fails the run if it failed.
finish() {
  local name=$1
  if wait "$(cat "$logs/$name.pid")"; then
    echo "== $name: passed in $(took "$name"), at $(ended "$name") into the run"
  else
    echo "== $name: FAILED after $(took "$name"), at $(ended "$name") into the run"
    status=1
  fi
  cat "$logs/$name"
}
# stop NAME: ends the stage, with what it started, where the run cannot go on.
stop() {
  [ -e "$logs/$1.pid" ] || return 0
  stop_tree "$(cat "$logs/$1.pid")"
  wait "$(cat "$logs/$1.pid")" 2>/dev/null || true
}
stop_tree() {
  local child
  for child in $(pgrep -P "$1"); do stop_tree "$child"; done
  kill "$1" 2>/dev/null || true
}
# package ROOT: makes the fresh root while the gcc build runs, then installs and runs the
# package of build/ in it once that build has ended well.
package() {
  local root=$1
  tools/package-root.sh "$root" || return 1
  until [ -e "$logs/gcc-build.status" ]; do sleep 2; done
  if [ "$(cat "$logs/gcc-build.status")" -ne 0 ]; then
    rm -rf "$root"
    return 1
  fi
  AUXPAD_PACKAGE_ROOT=$root tools/package-test.sh build
}

# What the gcc build needs first; the rest installs while it builds.
date +%s >"$logs/run.start"
tools/install-deps.sh --build
date +%s >"$logs/gcc-build.start"
(
  tools/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAUXPAD_BENCHMARKS=OFF \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
  cmake --build build -j"$(nproc)" --target auxpad-flash auxpad-sim auxpad_shift_tests auxpad_widget_tests \
    auxpad_tool_process_tests
) >"$logs/gcc-build" 2>&1 &
build=$!
more=()
# What the package test needs too, in the same one install.
[ $as_root -eq 1 ] && more=(debootstrap dpkg-dev fakeroot help2man lintian)
# A failed install fails the run, but only once the build is done, so that no build is
# left running behind it.
installed=0
tools/install-deps.sh "${more[@]}" && installed=1 || status=1
if [ $installed -eq 1 ]; then
  if [ $as_root -eq 1 ]; then
    stage package 10 package "$(mktemp -d /var/tmp/auxpad-package-test.XXXXXX)"
  else
    echo "The package test needs root; run sudo tools/package-test.sh."
  fi
  stage clang-build 10 tools/build-asan.sh
fi
built=0
wait $build && built=1
echo $((1 - built)) >"$logs/gcc-build.status.new"
mv "$logs/gcc-build.status.new" "$logs/gcc-build.status"
cat "$logs/gcc-build"
echo "== gcc build: ended after $(took gcc-build), at $(took run) into the run"
if [ $built -eq 0 ] || [ $status -ne 0 ]; then
  stop clang-build
  stop package
  exit 1
fi
export QT_QPA_PLATFORM=offscreen
# Three tests at a time per core: most of them wait.
jobs=$(( $(nproc) * 3 ))

stage sweep 19 bash -c 'cd build && ctest --output-on-failure --timeout 600 -j"$(nproc)" -L sweep'
echo "== gcc tests"
date +%s >"$logs/gcc-tests.start"
(cd build && ctest --output-on-failure --timeout 600 -j"$jobs" -L shipped_build -LE sweep) || status=1
echo "== gcc tests: ended after $(took gcc-tests), at $(took run) into the run"
finish clang-build
if [ $status -ne 0 ]; then
  finish sweep
  [ $as_root -eq 0 ] || finish package
  exit $status
fi

stage fuzz idle env AUXPAD_BUILT=1 AUXPAD_FUZZ_HANG=60 tools/fuzz.sh 20
echo "== clang tests under the sanitizers"
date +%s >"$logs/clang-tests.start"
(
  cd build-asan
  export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1"
  export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1"
  ctest --output-on-failure --timeout 900 -j"$jobs"
) || status=1
echo "== clang tests: ended after $(took clang-tests), at $(took run) into the run"
if [ -n "$(ls -A "$reports")" ]; then
  for f in "$reports"/*; do
    echo "== $f" && cat "$f"
  done
  echo "Sanitizer reports above."
  status=1
fi
finish fuzz
finish sweep
[ $as_root -eq 0 ] || finish package
echo "== the whole run: $(took run)"
exit $status
