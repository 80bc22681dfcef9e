#!/usr/bin/env bash
# Builds and runs the benchmarks: the core and the simulator natively
# (Release, no sanitizers), and the real program under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DDEMO_SANITIZE=OFF -DDEMO_BENCH=ON >/dev/null
cmake --build build/bench --target core_bench -j "${JOBS:-$(nproc)}"
echo "== core and simulator (native)"
build/bench/benchmarks/core_bench "$@"
if [ -x scripts/bench-wine.sh ]; then
  echo "== the real program under Wine"
  scripts/bench-wine.sh
fi
