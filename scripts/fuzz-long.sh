#!/usr/bin/env bash
# The long fuzz run: every target for SECONDS (default 600) each, e.g.
#   scripts/fuzz-long.sh 3600
# The grown corpora stay in build/fuzz/corpus/; new findings stop the run.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
exec "$ROOT/scripts/fuzz-run.sh" "${1:-600}"
