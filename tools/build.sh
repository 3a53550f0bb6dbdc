#!/usr/bin/env bash
# Configures (tools/configure.sh) and builds the tool, the simulated board, the tests and
# the benchmarks under build/. Further arguments go to cmake, after these.
#
#   tools/build.sh [CMAKE_ARG...]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAUXPAD_BENCHMARKS=ON "$@"
cmake --build build -j"$(nproc)"
