#!/usr/bin/env bash
# Builds and runs the benchmarks: the core and the simulator natively
# (Release, no sanitizers), and the real program under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/deps.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DDEMO_SANITIZE=OFF -DDEMO_BENCH=ON >/dev/null
cmake --build build/bench --target core_bench pcsc_bench cli_bench pelox-card -j "${JOBS:-$(nproc)}"
echo "== core and simulator (native)"
build/bench/benchmarks/core_bench "$@"
echo "== PC/SC driver: its own work against pcscd and vpcd (native)"
started=""
if [ ! -f build/pcscd/pcscd.pid ] || ! kill -0 "$(cat build/pcscd/pcscd.pid)" 2>/dev/null; then
  scripts/pcscd.sh start
  started=1
fi
scripts/pcscd.sh run build/bench/benchmarks/pcsc_bench
echo "== pelox-card: its own time against a bare pcsc-lite loop, and its start-up (native)"
scripts/pcscd.sh run build/bench/benchmarks/cli_bench build/bench/bin/pelox-card
[ -n "$started" ] && scripts/pcscd.sh stop
if [ -x scripts/bench-wine.sh ]; then
  echo "== the real program under Wine"
  scripts/bench-wine.sh
fi
