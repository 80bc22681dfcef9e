#!/usr/bin/env bash
# Checks that the 32-bit pelox.dll (the simulated reader's, and the PC/SC
# driver's in bin/pcsc) exports all 69 driver functions under their
# undecorated names (no _Name@N), as the vendor's DLL does.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
LIST="$ROOT/src/reader/driver_functions.h"
for DLL in "$ROOT/build/win32/bin/pelox.dll" "$ROOT/build/win32/bin/pcsc/pelox.dll"; do
  [ -f "$DLL" ] || { echo "missing $DLL (build win32 first)"; exit 1; }
  exports=$(i686-w64-mingw32-objdump -p "$DLL" | awk '/Ordinal\/Name Pointer\] Table/{t=1;next} t && /^[ \t]*\[/{print $NF;next} t{t=0}')
  expected=$(sed -n 's/^PELOX_FN([^,]*, *\([A-Za-z0-9_]*\),.*/\1/p' "$LIST")
  missing=0
  for name in $expected; do
    if ! grep -qx "$name" <<<"$exports"; then
      echo "not exported: $name"
      missing=$((missing + 1))
    fi
  done
  decorated=$(grep -c '@' <<<"$exports" || true)
  count=$(wc -l <<<"$expected")
  if [ "$missing" -ne 0 ] || [ "$decorated" -ne 0 ] || [ "$count" -ne 69 ]; then
    echo "exports check failed: $missing missing, $decorated decorated, $count in the list"
    exit 1
  fi
  echo "${DLL#$ROOT/} (i686) exports all $count functions undecorated"
done
