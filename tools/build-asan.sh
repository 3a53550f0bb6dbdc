#!/usr/bin/env bash
# Configures (tools/configure.sh) and builds everything with clang under AddressSanitizer
# and UndefinedBehaviorSanitizer into build-asan/, the fuzz targets included.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/configure.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DAUXPAD_SANITIZE=ON -DAUXPAD_FUZZ=ON
cmake --build build-asan -j"$(nproc)"
