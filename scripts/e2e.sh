#!/usr/bin/env bash
# Runs every end-to-end test program (build/win64/bin/e2e_*.exe) under Wine
# on a private virtual display, each in a fresh copy of the program folder
# (so the simulated cards start from the folder's default state).
#   scripts/e2e.sh [name ...]     only the named tests (e.g. e2e_smoke)
#   scripts/e2e.sh --i686 name... the release build (build/win32) under
#                                 32-bit Wine (scripts/i686-setup.sh first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine-env.sh"
build=win64
SHOTS="$ROOT/build/screenshots"
if [ "${1:-}" = "--i686" ]; then
  build=win32
  WINE=$WINE32
  SHOTS="$SHOTS/i686"
  shift
fi
BIN="$ROOT/build/$build/bin"
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
shots_w=$($WINE winepath -w "$SHOTS" 2>/dev/null || echo "$SHOTS")
for exe in "${tests[@]}"; do
  name=$(basename "$exe" .exe)
  [ "$name" = e2e_snap ] && continue  # the screenshot program of run.sh
  work="$ROOT/build/e2e/$build/$name"
  program_copy "$BIN" "$work"
  echo "-- $name ($build)"
  if (cd "$work" && DEMO_SHOTS="$shots_w" timeout 300 $WINE "$name.exe"); then
    echo "-- $name passed"
  else
    echo "-- $name FAILED"
    failed=1
  fi
  wineserver -k >/dev/null 2>&1 || true
done
[ $failed -eq 0 ]
