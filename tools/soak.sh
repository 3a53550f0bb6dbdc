#!/usr/bin/env bash
# The records' soak run at full length: simulated boards with faults (garbage, corrupted
# frames, a hang-up every round, a silent board, a failing self-test) run self-tests,
# product-information writes and flashes round after round, eight jobs a round, against
# a PostgreSQL server of Debian's package that is stopped and started again twice in
# the middle of rounds. At the end the server must hold exactly one row per job, each
# with the result its command printed. CI runs the same test with 4 rounds.
#
#   tools/soak.sh [ROUNDS]     (default 25: 200 jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-25}
tools/install-deps.sh
tools/build.sh >/dev/null
AUXPAD_SOAK_ROUNDS=$rounds QT_QPA_PLATFORM=offscreen \
  build/tests/auxpad_records_tests --gtest_filter='Records.SoakThroughFaultsAndServerRestarts'
