#!/usr/bin/env bash
# Configures and builds the libFuzzer targets in build/fuzz (clang, the
# fuzzer and sanitizer flags on the fuzz targets, the core and the simulator).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-$(nproc)}
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDEMO_SANITIZE=OFF -DDEMO_FUZZ=ON >/dev/null
cmake --build "$ROOT/build/fuzz" -j "$JOBS" >&2
