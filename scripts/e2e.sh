#!/usr/bin/env bash
# Runs every end-to-end test program (build/win64/bin/e2e_*.exe) under Wine
# on a private virtual display, each in a fresh copy of the program folder
# (so the simulated cards start from the folder's default state).
#   scripts/e2e.sh [name ...]     only the named tests (e.g. e2e_smoke)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine-env.sh"
BIN="$ROOT/build/win64/bin"
SHOTS="$ROOT/build/screenshots"
mkdir -p "$SHOTS"
trap wine_stop_all EXIT
xvfb_start
wine_prepare

failed=0
shopt -s nullglob
tests=()
if [ $# -gt 0 ]; then
  for n in "$@"; do tests+=("$BIN/${n%.exe}.exe"); done
else
  tests=("$BIN"/e2e_*.exe)
fi
[ ${#tests[@]} -gt 0 ] || { echo "no end-to-end test programs in $BIN" >&2; exit 1; }
for exe in "${tests[@]}"; do
  name=$(basename "$exe" .exe)
  [ "$name" = e2e_snap ] && continue  # the screenshot program of run.sh
  work="$ROOT/build/e2e/$name"
  rm -rf "$work"; mkdir -p "$work"
  cp -r "$BIN"/. "$work"/
  echo "-- $name"
  if (cd "$work" && DEMO_SHOTS="$(winepath -w "$SHOTS" 2>/dev/null || echo "$SHOTS")" timeout 300 $WINE "$name.exe"); then
    echo "-- $name passed"
  else
    echo "-- $name FAILED"
    failed=1
  fi
  wineserver -k >/dev/null 2>&1 || true
done
[ $failed -eq 0 ]
