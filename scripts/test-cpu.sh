#!/usr/bin/env bash
# The CPU-bound half of the test command: the short fuzz run, then the 32-bit
# build and its tests through qemu. scripts/test.sh runs it at the lowest
# priority beside the native and Wine tests, which mostly wait for windows;
# on its own it is the same steps in the same order.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
start=$SECONDS
stage() { echo "== $* (at $((SECONDS - start)) s of the CPU-bound half)"; }

stage "fuzz.sh"
scripts/checks/fuzz.sh
scripts/build.sh native32
stage "native tests, 32-bit"
(cd build/native32 && ctest --output-on-failure -j "$(nproc)" --timeout 1800)
stage "CPU-bound half passed"
