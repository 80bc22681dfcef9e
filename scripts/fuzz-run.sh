#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds each on a copy of its committed
# seed corpus (the committed corpus stays small); prints one line of figures
# per target and fails on a finding (the crashing input is kept in
# build/fuzz/findings/<target>/).
#   scripts/fuzz-run.sh SECONDS [target...]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SECONDS_EACH=${1:?seconds per target}
shift
"$ROOT/scripts/fuzz-build.sh"
BIN="$ROOT/build/fuzz/tests/fuzz"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$BIN"/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f")"); done
fi
# The targets run side by side, as many at once as there are processors
# (FUZZ_JOBS), each for SECONDS seconds; their lines come in target order.
jobs_max=${FUZZ_JOBS:-$(nproc)}
run_one() {
  local t=$1
  local work="$ROOT/build/fuzz/corpus/$t"
  local found="$ROOT/build/fuzz/findings/$t"
  local log="$ROOT/build/fuzz/$t.log"
  local out="$ROOT/build/fuzz/$t.result"
  mkdir -p "$work" "$found"
  local seeds="$ROOT/tests/fuzz/corpus/$t"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  if ! (cd "$found" && "$BIN/$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 "$work" >"$log" 2>&1); then
    {
      echo "FINDING in $t (see $log, input in $found):"
      grep -m5 -E "ERROR|property broken|runtime error|Failure|Test unit written" "$log" || tail -20 "$log"
    } >"$out"
    return 1
  fi
  local runs cov
  runs=$(grep -m1 "stat::number_of_executed_units" "$log" | awk '{print $2}')
  cov=$(grep -E "^#[0-9]+.*cov:" "$log" | tail -1 | sed -E 's/.*cov: ([0-9]+).*/\1/')
  echo "$t: ${runs:-?} executions in ${SECONDS_EACH}s, coverage ${cov:-?}, no findings" >"$out"
  echo "${runs:-0}" >"$out.runs"
}
for t in "${targets[@]}"; do rm -f "$ROOT/build/fuzz/$t.result" "$ROOT/build/fuzz/$t.result.runs"; done
failed=0
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs_max" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_one "$t" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
total=0
for t in "${targets[@]}"; do
  if [ -f "$ROOT/build/fuzz/$t.result.runs" ]; then
    cat "$ROOT/build/fuzz/$t.result"
    total=$((total + $(cat "$ROOT/build/fuzz/$t.result.runs")))
  else
    cat "$ROOT/build/fuzz/$t.result" >&2 2>/dev/null || echo "$t: no result" >&2
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "fuzzing: $total executions, no findings"
