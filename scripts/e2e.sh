#!/usr/bin/env bash
# Runs every end-to-end test program (build/win64/bin/e2e_*.exe) under Wine
# on a private virtual display, in a fresh copy of the program folder.
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
for exe in "$BIN"/e2e_*.exe; do
  name=$(basename "$exe" .exe)
  work="$ROOT/build/e2e/$name"
  rm -rf "$work"; mkdir -p "$work"
  cp "$BIN"/*.exe "$work"/
  cp "$BIN"/*.dll "$work"/ 2>/dev/null || true
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
