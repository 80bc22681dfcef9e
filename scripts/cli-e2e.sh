#!/usr/bin/env bash
# pelox-card.exe, the Windows build of the command-line tool, under Wine
# against the simulated pelox.dll beside it (a factory SLE4442): detection,
# a read to a card image file, a write of that file changed, read back
# through a second read, one card personalised with a serial and its log,
# a wrong code, the protection refused without
# --yes, and the Chinese text of the hex output, each with its exit status.
#   scripts/cli-e2e.sh            the win64 build (the tests)
#   scripts/cli-e2e.sh --i686     the release build (build/win32) under 32-bit Wine
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/scripts/wine-env.sh"
build=win64
if [ "${1:-}" = "--i686" ]; then
  build=win32
  WINE=$WINE32
fi
BIN="$ROOT/build/$build/bin"
[ -x "$BIN/pelox-card.exe" ] || { echo "no pelox-card.exe in $BIN" >&2; exit 1; }
work="$ROOT/build/e2e/$build/pelox-card"
program_copy "$BIN" "$work"
trap wine_stop_all EXIT
xvfb_start
wine_prepare

failed=0
# Runs the tool in the program folder: its output in $out, its status in $rc.
tool() {
  rc=0
  out=$(cd "$work" && timeout 120 $WINE pelox-card.exe "$@" 2>"$work/stderr.txt") || rc=$?
  # The next run starts only once this one is wholly gone (its card state
  # saved, the Wine server idle): under load a run started at once failed
  # now and then.
  wineserver -w >/dev/null 2>&1 || true
}
check() {  # check WHAT WANTED_STATUS [TEXT_IN_OUTPUT]
  if [ "$rc" -ne "$2" ] || { [ -n "${3:-}" ] && ! grep -qF -- "$3" <<<"$out"; }; then
    echo "-- pelox-card: $1 FAILED (status $rc, wanted $2${3:+, output with \"$3\"}):"
    echo "$out" | head -20
    cat "$work/stderr.txt"
    failed=1
  else
    echo "-- pelox-card: $1 passed"
  fi
}

tool --json detect
check "detect" 0 '"ok":true'
grep -qi 4442 <<<"$out" || { echo "-- pelox-card: detect did not name the SLE4442: $out"; failed=1; }
tool read --type sle4442
check "read, hex with the zone names" 0 "保护数据"
tool read --type sle4442 -o card.bin
check "read to a card image file" 0
[ "$(stat -c %s "$work/card.bin" 2>/dev/null || echo 0)" -eq 256 ] || { echo "-- pelox-card: card.bin is not 256 bytes"; failed=1; }
# Two bytes of the file changed, written with the PSC from the environment.
printf 'HE' | dd of="$work/card.bin" bs=1 seek=64 conv=notrunc status=none
tool write card.bin --type sle4442 --dry-run
check "write --dry-run" 0
export PELOX_E2E_PSC=FFFFFF PELOX_E2E_WRONG=123456
tool --json write card.bin --type sle4442 --code-env PELOX_E2E_PSC
check "write with the PSC" 0 '"ok":true'
tool read --type sle4442
check "the bytes written are on the card" 0 "48 45"
# One card personalised: a serial at 0x80, verified and logged.
tool personalise card.bin --type sle4442 --code-env PELOX_E2E_PSC --serial 0x80:2:7 --count 1 --log batch.csv
check "personalise one card" 0 "ok 7"
grep -q ',7,[0-9]*,ok,' "$work/batch.csv" || { echo "-- pelox-card: batch.csv has no ok line for serial 7"; failed=1; }
tool read --type sle4442
check "the serial is on the card" 0 "0080  00 07"
tool --json verify-code --type sle4442 --code-env PELOX_E2E_WRONG
check "a wrong code" 1 '"attemptsLeft":2'
tool protect --type sle4442 0-3
check "protection refused without --yes" 3
tool --bogus
check "a usage error" 2

[ $failed -eq 0 ]
