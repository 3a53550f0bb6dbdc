#!/usr/bin/env bash
# The records' soak run at full length: simulated boards with faults (garbage, corrupted
# frames, a hang-up every round, a silent board, a failing self-test) run self-tests,
# product-information writes and flashes round after round, eight jobs a round, on
# simulated time, against a PostgreSQL server of Debian's package that the station cannot
# reach twice for 45 s from the middle of a round. At the end the server must hold exactly
# one row per job, each with the result its command printed. CI runs the same test with
# 8 rounds.
#
#   tools/soak.sh [ROUNDS]     (default 25: 200 jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-25}
tools/install-deps.sh
tools/build.sh >/dev/null
AUXPAD_SOAK_ROUNDS=$rounds QT_QPA_PLATFORM=offscreen \
  build/tests/auxpad_line_tests --gtest_filter='Records.SoakThroughFaultsAndOutages'
