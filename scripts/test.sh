#!/usr/bin/env bash
# Builds everything and runs every test: native tests (ASan/UBSan), the same
# tests as a 32-bit program, the Windows builds, the checks, and the
# end-to-end tests under Wine: the win64 build, then the 32-bit release build
# under 32-bit Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/deps.sh
scripts/i686-setup.sh
scripts/build.sh native win64 win32 native32

echo "== native tests"
(cd build/native && ctest --output-on-failure -j "$(nproc)" --timeout 300)

echo "== native tests, 32-bit"
(cd build/native32 && ctest --output-on-failure -j "$(nproc)" --timeout 1200)

for t in scripts/checks/*.sh; do
  [ -e "$t" ] || continue
  echo "== $(basename "$t")"
  bash "$t"
done

echo "== end-to-end tests under Wine"
scripts/e2e.sh
echo "== end-to-end tests of the release build under 32-bit Wine"
scripts/e2e.sh --i686 e2e_smoke e2e_memview e2e_security
echo "== all tests passed"
