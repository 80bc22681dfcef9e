#!/usr/bin/env bash
# The short fuzz run of the test command: every target for the same few
# seconds, about 60 seconds of fuzzing together, side by side.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
n=$(ls "$ROOT"/tests/fuzz/fuzz_*.cpp | wc -l)
exec "$ROOT/scripts/fuzz-run.sh" $(( (60 + n - 1) / n ))
