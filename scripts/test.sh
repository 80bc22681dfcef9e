#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan/UBSan), the
# Windows builds, the export check and the end-to-end tests under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/deps.sh
scripts/build.sh native win64 win32

echo "== native tests"
# One pcscd for the run (the PC/SC driver's tests through the virtual
# reader); the tests run in its network namespace, where vpcd is reachable.
scripts/pcscd.sh start
trap 'scripts/pcscd.sh stop' EXIT
(cd build/native && PELOX_PCSCD_REQUIRED=1 ../../scripts/pcscd.sh run ctest --output-on-failure -j "$(nproc)" --timeout 300)

for t in scripts/checks/*.sh; do
  [ -e "$t" ] || continue
  echo "== $(basename "$t")"
  bash "$t"
done

echo "== end-to-end tests under Wine"
scripts/e2e.sh
scripts/pcsc-e2e.sh
echo "== all tests passed"
