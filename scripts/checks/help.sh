#!/usr/bin/env bash
# The help file is built beside Demo.exe and holds every page, and every
# menu caption of the program is described in it.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
for b in win64 win32; do
  chm="$ROOT/build/$b/bin/KVhelp.chm"
  [ -s "$chm" ] || { echo "FAIL: $chm missing"; exit 1; }
done
chm="$ROOT/build/win64/bin/KVhelp.chm"
list=$(enum_chmLib "$chm")
for page in index start menus cards memview passwords crypto consoles messages simulator; do
  grep -q "/$page.html" <<<"$list" || { echo "FAIL: $page.html missing from KVhelp.chm"; exit 1; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
extract_chmLib "$chm" "$out" >/dev/null
text=$(cat "$out"/*.html | iconv -f GBK -t UTF-8 | sed 's/&amp;//g; s/&//g')
missing=0
# Every menu caption of the resource script (ampersands and trailing blanks
# aside) appears in the help.
while IFS= read -r caption; do
  plain=$(sed -e 's/&//g' -e 's/ *$//' <<<"$caption")
  [ -n "$plain" ] || continue
  if ! grep -qF -- "$plain" <<<"$text"; then
    echo "FAIL: the help does not describe the menu item \"$plain\""
    missing=1
  fi
done < <(grep -oP '(MENUITEM|POPUP)\s+"\K[^"]+' "$ROOT/src/resources/demo.rc" | sort -u)
[ $missing -eq 0 ]
echo "help: $(grep -c '\.html' <<<"$list") pages; every menu caption is described"
