#!/usr/bin/env bash
# Configures and builds one or more of the builds: native, win64, win32,
# native32 (the core and simulator tests as a 32-bit Linux program, g++ -m32)
# and tools (the card tray and pelox-card, without sanitizers, in build/tools).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-$(nproc)}
# The test builds keep line tables only (-g1): enough for file and line in
# sanitizer reports and backtraces, at about half the compile time of -g.
# The sanitizer builds are optimised at -O1, a third cheaper again than -O2.
LINES=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
       "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
SANITIZED=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
           "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
for b in "$@"; do
  t=$SECONDS
  case "$b" in
    # The unit tests run as a few processes, not one per test: each start
    # under ASan costs a fifth of a second, and one process for most tests
    # also finds tests that leave state behind for the next.
    # The benchmark programs are compiled here too (run by scripts/bench.sh
    # from a Release build of their own), so that they keep building.
    native) cmake -S "$ROOT" -B "$ROOT/build/native" "${SANITIZED[@]}" -DDEMO_TEST_GROUPED=ON -DDEMO_BENCH=ON >/dev/null ;;
    win64) cmake -S "$ROOT" -B "$ROOT/build/win64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" "${LINES[@]}" >/dev/null ;;
    win32) cmake -S "$ROOT" -B "$ROOT/build/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
    native32) cmake -S "$ROOT" -B "$ROOT/build/native32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/linux-i686.cmake" "${SANITIZED[@]}" -DDEMO_TEST_GROUPED=ON >/dev/null ;;
    tools) cmake -S "$ROOT" -B "$ROOT/build/tools" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=OFF >/dev/null
           echo "== building tools"
           cmake --build "$ROOT/build/tools" -j "$JOBS" --target cardtray pelox-card
           continue ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  echo "== building $b"
  cmake --build "$ROOT/build/$b" -j "$JOBS"
  echo "== built $b in $((SECONDS - t)) s"
done
