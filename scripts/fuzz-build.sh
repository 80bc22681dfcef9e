#!/usr/bin/env bash
# Configures and builds the libFuzzer targets in build/fuzz (clang, the
# fuzzer and sanitizer flags on the fuzz targets, the core and the simulator).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-$(nproc)}
# -O1 with line tables, as the sanitizer builds of the tests.
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  -DDEMO_SANITIZE=OFF -DDEMO_FUZZ=ON >/dev/null
cmake --build "$ROOT/build/fuzz" -j "$JOBS" >&2
