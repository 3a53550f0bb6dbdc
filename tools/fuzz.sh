#!/usr/bin/env bash
# Runs every fuzz target (fuzz/ and the simulator's) under AddressSanitizer and
# UndefinedBehaviorSanitizer, two at a time, for SECONDS each (default 600).
#
#   tools/fuzz.sh [SECONDS] [TARGET...]     targets: receiver hex_text flash_ini ...
#
# Seeds come from fuzz/corpus/<target>/ and are never written to; what a run adds goes to
# build-asan/fuzz-work/<target>/ and is picked up by the next run. An input that crashes,
# hangs or breaks a property is saved as build-asan/fuzz-findings/<target>-*; copy it into
# the target's corpus once fixed. Exits non-zero when any target found something.
#
# An input hangs when one run of it takes AUXPAD_FUZZ_HANG seconds (default 10) of wall
# time, the only time libFuzzer measures. Where the targets run only on what nothing else
# wants (tools/test-all.sh), an input of milliseconds can wait that long for a core, so
# that run gives them longer; an input only slow, and not hung, is never a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
hang=${AUXPAD_FUZZ_HANG:-10}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi

# AUXPAD_BUILT=1: build-asan/ is built already, and may be in use by tests meanwhile.
[ -n "${AUXPAD_BUILT:-}" ] || tools/build-asan.sh >/dev/null
mkdir -p build-asan/fuzz-work build-asan/fuzz-findings build-asan/fuzz-logs
export UBSAN_OPTIONS=print_stacktrace=1

run_one() {
  local t=$1 seconds=$2 hang=$3
  mkdir -p "build-asan/fuzz-work/$t"
  "build-asan/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="$hang" -report_slow_units="$hang" \
    -print_final_stats=1 \
    -artifact_prefix="build-asan/fuzz-findings/$t-" "build-asan/fuzz-work/$t" "fuzz/corpus/$t" \
    >"build-asan/fuzz-logs/$t.log" 2>&1
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {} '"$seconds $hang"' || true'

echo "| Target | Seconds | Executions | Per second | Corpus | Result |"
echo "|---|---:|---:|---:|---:|---|"
passed=0
failed=0
for t in "${targets[@]}"; do
  log="build-asan/fuzz-logs/$t.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  corpus=$(find "build-asan/fuzz-work/$t" -type f | wc -l)
  if [ -z "$runs" ]; then
    result="DID NOT RUN: see $log"
    failed=$((failed + 1))
  elif grep -qE '^==[0-9]+== ?ERROR|^SUMMARY: |^broken: |Test unit written to' "$log"; then
    result="FOUND: see $log"
    failed=$((failed + 1))
  else
    result="nothing found"
    passed=$((passed + 1))
  fi
  echo "| $t | $seconds | ${runs:-?} | ${rate:-?} | $corpus | $result |"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
