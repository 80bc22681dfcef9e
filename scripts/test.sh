#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan/UBSan), the same
# tests as a 32-bit program, the Windows builds, the checks, and the
# end-to-end tests under Wine: the win64 build, then the 32-bit release build
# under 32-bit Wine, then the PC/SC driver through a virtual reader. Every
# stage line gives the seconds since the start.
#
# The Wine tests spend most of their time waiting for windows. Beside them,
# at the lowest priority so that their programs get the processor when they
# need it, runs the CPU-bound half (scripts/test-cpu.sh: the fuzz run, the
# 32-bit build and its tests); its log is printed when it ends.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
start=$SECONDS
stage() { echo "== $* (at $((SECONDS - start)) s)"; }

# The 32-bit set-up first: while a mirror serves an architecture's index of
# a suite short, both architectures' libraries can only come from the
# suites without it, and a library installed first from that suite for
# amd64 alone could then not be matched for i386 without a downgrade.
stage "machine set-up for 32-bit programs"
scripts/i686-setup.sh
scripts/deps.sh
scripts/build.sh native win64 win32

cpu_pid=""
cpu_log="$ROOT/build/logs/test-cpu.log"
cleanup() {
  if [ -n "$cpu_pid" ]; then
    kill -- "-$cpu_pid" 2>/dev/null || true
    wait "$cpu_pid" 2>/dev/null || true
    echo "== the CPU-bound half was stopped; its log so far:"
    cat "$cpu_log" 2>/dev/null || true
  fi
  scripts/pcscd.sh stop
}
trap cleanup EXIT
mkdir -p "$(dirname "$cpu_log")"
stage "the CPU-bound half starts beside the rest (log: build/logs/test-cpu.log)"
# setsid: its own process group, so that a failure here stops all of it.
setsid nice -n 19 scripts/test-cpu.sh >"$cpu_log" 2>&1 &
cpu_pid=$!

stage "native tests"
# One pcscd for the run (the PC/SC driver's tests through the virtual
# reader); the tests run in its network namespace, where vpcd is reachable.
scripts/pcscd.sh start
(cd build/native && PELOX_PCSCD_REQUIRED=1 ../../scripts/pcscd.sh run ctest --output-on-failure -j "$(nproc)" --timeout 300)

for t in scripts/checks/*.sh; do
  [ -e "$t" ] || continue
  [ "$(basename "$t")" = fuzz.sh ] && continue  # in the CPU-bound half
  stage "$(basename "$t")"
  bash "$t"
done

stage "end-to-end tests under Wine"
scripts/e2e.sh
stage "pelox-card under Wine"
scripts/cli-e2e.sh
stage "end-to-end tests of the release build under 32-bit Wine"
scripts/e2e.sh --i686 e2e_smoke e2e_memview e2e_security
stage "end-to-end test of the PC/SC driver under Wine"
scripts/pcsc-e2e.sh

stage "waiting for the CPU-bound half"
rc=0
wait "$cpu_pid" || rc=$?
cpu_pid=""
echo "== the CPU-bound half (fuzz run, 32-bit build and tests):"
cat "$cpu_log"
[ "$rc" -eq 0 ] || { echo "== the CPU-bound half FAILED (exit $rc)"; exit "$rc"; }
stage "all tests passed"
