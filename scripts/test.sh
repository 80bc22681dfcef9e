#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan/UBSan), the same
# tests as a 32-bit program, the Windows builds, the checks, and the
# end-to-end tests under Wine: the win64 build, then the 32-bit release build
# under 32-bit Wine, then the PC/SC driver through a virtual reader. Every
# stage line gives the seconds since the start.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
start=$SECONDS
stage() { echo "== $* (at $((SECONDS - start)) s)"; }

scripts/deps.sh
stage "machine set-up for 32-bit programs"
scripts/i686-setup.sh
scripts/build.sh native win64 win32 native32

stage "native tests"
# One pcscd for the run (the PC/SC driver's tests through the virtual
# reader); the tests run in its network namespace, where vpcd is reachable.
scripts/pcscd.sh start
trap 'scripts/pcscd.sh stop' EXIT
(cd build/native && PELOX_PCSCD_REQUIRED=1 ../../scripts/pcscd.sh run ctest --output-on-failure -j "$(nproc)" --timeout 300)

stage "native tests, 32-bit"
(cd build/native32 && ctest --output-on-failure -j "$(nproc)" --timeout 1800)

for t in scripts/checks/*.sh; do
  [ -e "$t" ] || continue
  stage "$(basename "$t")"
  bash "$t"
done

stage "end-to-end tests under Wine"
scripts/e2e.sh
stage "end-to-end tests of the release build under 32-bit Wine"
scripts/e2e.sh --i686 e2e_smoke e2e_memview e2e_security
stage "end-to-end test of the PC/SC driver under Wine"
scripts/pcsc-e2e.sh
stage "all tests passed"
