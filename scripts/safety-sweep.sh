#!/usr/bin/env bash
# The long card safety sweep: SEQUENCES random operator sequences (default
# 20000) from SEED (default: the time now), e.g.
#   scripts/safety-sweep.sh 100000 42
# Each finding is printed with its sequence's seed and the shrunk actions;
# SAFETY_SWEEP_SEED=<seed> SAFETY_SWEEP_SEQUENCES=1 replays one sequence.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SEQUENCES=${1:-20000}
SEED=${2:-$(date +%s)}
"$ROOT/scripts/build.sh" native >/dev/null
echo "== safety sweep: $SEQUENCES sequences from seed $SEED"
SAFETY_SWEEP_SEQUENCES=$SEQUENCES SAFETY_SWEEP_SEED=$SEED \
  "$ROOT/build/native/tests/unit/unit_tests" --gtest_filter='SafetySweep.*'
