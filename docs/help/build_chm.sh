#!/usr/bin/env bash
# Builds KVhelp.chm from these UTF-8 sources: converts them to GBK (the
# help viewer of a Chinese Windows reads GB2312/GBK pages) and runs chmcmd.
#   build_chm.sh <output.chm>
set -euo pipefail
src=$(cd "$(dirname "$0")" && pwd)
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for f in "$src"/*.html "$src"/*.hhc "$src"/*.hhk "$src"/*.hhp "$src"/*.css; do
  iconv -f UTF-8 -t GBK "$f" >"$work/$(basename "$f")"
done
(cd "$work" && chmcmd --no-html-scan KVhelp.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
[ -s "$work/KVhelp.chm" ] || { echo "chmcmd made no KVhelp.chm" >&2; cat "$work/chmcmd.log" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
cp "$work/KVhelp.chm" "$out"
