#!/usr/bin/env bash
# The PC/SC driver's end-to-end test: the real 64-bit Demo.exe with the
# PC/SC pelox.dll under Wine, on a fresh prefix and a private virtual
# display. Wine 8's winscard is a stub, so a test-only winscard.dll beside
# the program forwards the driver's calls to the native winscard-bridge on
# 127.0.0.1, which makes them on pcsc-lite: pcscd (scripts/pcscd.sh), vpcd
# and two virtual readers, an SLE4442 and a T=0 CPU card.
#
# Builds what it needs, starts everything and stops what it started at the
# end, also on failure. A pcscd that scripts/pcscd.sh already runs (the test
# command's) is used and left running.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
DIR="$ROOT/build/pcsc-e2e"
RUN="$DIR/run"
export WINEPREFIX="$DIR/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml=;winscard=n"
# The 64-bit loader when it is installed apart: plain wine may start the
# 32-bit one, which cannot run the 64-bit program.
if [ -z "${WINE:-}" ]; then
  if command -v wine64 >/dev/null 2>&1; then WINE=wine64
  elif [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64
  else WINE=wine
  fi
fi
export WINE
. "$ROOT/scripts/wine-env.sh"

echo "== building the PC/SC end-to-end test"
for b in native win64; do
  case $b in
    native) targets=(pelox-vreader winscard-bridge) ;;
    win64) targets=(Demo pelox_pcsc_dll winscard_bridge_dll e2e_pcsc) ;;
  esac
  if [ -f "build/$b/CMakeCache.txt" ]; then
    cmake --build "build/$b" -j "${JOBS:-$(nproc)}" --target "${targets[@]}" >/dev/null
  else
    scripts/build.sh "$b"
  fi
done

pids=()
started_pcscd=0
stop_all() {
  wine_stop_all
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ $started_pcscd -eq 1 ] && scripts/pcscd.sh stop
  return 0
}
trap stop_all EXIT
trap 'exit 1' INT TERM  # the EXIT trap then stops everything too

rm -rf "$DIR"
mkdir -p "$RUN/cards"
cp build/win64/bin/Demo.exe build/win64/bin/pcsc/pelox.dll build/win64/bin/pcsc-e2e/winscard.dll \
  build/win64/bin/pcsc-e2e/e2e_pcsc.exe "$RUN/"

if ! { [ -f build/pcscd/pcscd.pid ] && kill -0 "$(cat build/pcscd/pcscd.pid)" 2>/dev/null; }; then
  scripts/pcscd.sh start
  started_pcscd=1
fi
# The virtual readers reach vpcd in pcscd's network namespace; each saves
# its card after every command.
scripts/pcscd.sh run build/native/bin/pelox-vreader --state "$RUN/cards/pcsc-sle4442.card" sle4442 \
  >"$DIR/vreader-sle4442.log" 2>&1 &
pids+=($!)
scripts/pcscd.sh run build/native/bin/pelox-vreader --port 35964 --state "$RUN/cards/pcsc-cpu-t0.card" cpu-t0 \
  >"$DIR/vreader-cpu-t0.log" 2>&1 &
pids+=($!)
build/native/bin/winscard-bridge --port-file "$DIR/bridge.port" >"$DIR/bridge.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$DIR/bridge.port" ] && break; sleep 0.1; done
[ -s "$DIR/bridge.port" ] || { echo "winscard-bridge did not start:" >&2; cat "$DIR/bridge.log" >&2; exit 1; }
export WINSCARD_BRIDGE_PORT=$(cat "$DIR/bridge.port")

xvfb_start
wine_prepare
SHOTS="$ROOT/build/screenshots"
mkdir -p "$SHOTS"
echo "-- e2e_pcsc (bridge on 127.0.0.1:$WINSCARD_BRIDGE_PORT, display $DISPLAY)"
if (cd "$RUN" && DEMO_SHOTS="$($WINE winepath -w "$SHOTS" 2>/dev/null || echo "$SHOTS")" timeout 300 $WINE e2e_pcsc.exe); then
  echo "-- e2e_pcsc passed"
  # The driver sent nothing the readers' manuals do not document.
  if grep -h "not documented" "$DIR"/vreader-*.log; then
    echo "-- e2e_pcsc FAILED: the driver sent APDUs outside the documented forms"
    exit 1
  fi
else
  echo "-- e2e_pcsc FAILED (logs in $DIR)"
  for log in "$DIR"/*.log; do echo "--- $log"; tail -20 "$log"; done
  exit 1
fi
