#!/usr/bin/env bash
# Builds and runs the benchmark of the real window under Wine (a private
# virtual display): start-up to the first complete paint against a minimal
# window program, and a full repaint of the memory view against the bare
# background block transfer. Runs in a fresh copy of the program folder
# with the default simulated card (an SLE4442).
#   scripts/bench-wine.sh [runs] [startup|repaint]     (default: 7 runs, both)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. "$ROOT/scripts/wine-env.sh"
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win64 -j "${JOBS:-$(nproc)}" --target Demo pelox bench_window bench_reference
BIN="$ROOT/build/win64/bin"
work="$ROOT/build/bench-wine"
program_copy "$BIN" "$work"
# A bare Xvfb has no X resources: Xlib then looks for resource files again
# at every query, and Wine queries at every font selection. A desktop
# session has resources; an (empty) resource file gives the same here.
if [ -z "${XENVIRONMENT:-}" ]; then
  printf '! no resources\n' >"$work/Xresources"
  export XENVIRONMENT="$work/Xresources"
fi
trap wine_stop_all EXIT
xvfb_start
wine_prepare
(cd "$work" && timeout 900 ${BENCH_WRAP:-} $WINE bench_window.exe "${1:-7}" ${2:-})
