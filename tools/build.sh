#!/usr/bin/env bash
# Configures and builds the tool, the simulated board, the tests and the benchmarks under build/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAUXPAD_BENCHMARKS=ON >/dev/null
cmake --build build -j"$(nproc)"
