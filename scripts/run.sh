#!/usr/bin/env bash
# Builds the program and runs it on the simulated reader.
#   scripts/run.sh [card type]     (for example: sle4442, 24c16, at88sc1608, none)
# Without a card type the reader holds the demo card, an SLE4442 with data
# (sim/demo-cards/sle4442-demo.card, copied into the program folder's cards/
# once; what is written to it stays there).
# With DISPLAY set the program opens on your display. Without one, it runs on
# a virtual display, waits for the start-up detection, reads the card, saves
# a screenshot and exits.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/deps.sh
scripts/build.sh win64
. scripts/wine-env.sh
BIN="$ROOT/build/win64/bin"
# The card tray puts the card in (building it first when needed).
[ -x "$ROOT/build/tools/cardtray" ] || scripts/build.sh tools
if [ -n "${1:-}" ]; then
  "$ROOT/build/tools/cardtray" --ini "$BIN/pelox-sim.ini" insert "$1"
else
  "$ROOT/build/tools/cardtray" --ini "$BIN/pelox-sim.ini" load "$ROOT/sim/demo-cards/sle4442-demo.card"
fi
if [ -n "${DISPLAY:-}" ]; then
  wine_prepare
  cd "$BIN" && exec $WINE Demo.exe
fi
trap wine_stop_all EXIT
xvfb_start
wine_prepare
shot="$ROOT/build/screenshots/demo.png"
mkdir -p "$(dirname "$shot")"
rm -f "$shot" "$shot.bmp"
if [ -f "$BIN/e2e_snap.exe" ]; then
  # Starts Demo.exe, waits for the start-up detection, reads the card, saves
  # the main window's picture and closes the program.
  rc=0
  (cd "$BIN" && timeout 180 $WINE e2e_snap.exe --run-only --read "$($WINE winepath -w "$shot.bmp")") || rc=$?
  if [ ! -s "$shot.bmp" ]; then
    echo "No screenshot was taken (e2e_snap.exe exit code $rc)" >&2
    exit 1
  fi
  convert "$shot.bmp" "$shot" && rm -f "$shot.bmp"
  [ "$rc" -eq 0 ] || echo "Note: the program did not show its main window as expected (exit code $rc); the picture shows what it showed." >&2
else
  (cd "$BIN" && $WINE Demo.exe &)
  sleep 10
  screenshot "$shot"
fi
echo "Screenshot of the program: $shot"
