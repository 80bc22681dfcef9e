#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds each on a copy of its committed
# seed corpus (the committed corpus stays small); prints one line of figures
# per target and fails on the first finding (the crashing input is kept in
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
total=0
for t in "${targets[@]}"; do
  work="$ROOT/build/fuzz/corpus/$t"
  found="$ROOT/build/fuzz/findings/$t"
  mkdir -p "$work" "$found"
  seeds="$ROOT/tests/fuzz/corpus/$t"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  log="$ROOT/build/fuzz/$t.log"
  if ! (cd "$found" && "$BIN/$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 "$work" >"$log" 2>&1); then
    echo "FINDING in $t (see $log, input in $found):" >&2
    grep -m5 -E "ERROR|property broken|runtime error|Failure|Test unit written" "$log" >&2 || tail -20 "$log" >&2
    exit 1
  fi
  runs=$(grep -m1 "stat::number_of_executed_units" "$log" | awk '{print $2}')
  cov=$(grep -E "^#[0-9]+.*cov:" "$log" | tail -1 | sed -E 's/.*cov: ([0-9]+).*/\1/')
  echo "$t: ${runs:-?} executions in ${SECONDS_EACH}s, coverage ${cov:-?}, no findings"
  total=$((total + ${runs:-0}))
done
echo "fuzzing: $total executions, no findings"
