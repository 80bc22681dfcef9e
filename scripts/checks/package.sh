#!/usr/bin/env bash
# The 32-bit release package holds the program, the help, the Windows README
# and the simulated reader and the PC/SC driver in folders of their own.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
zip="$ROOT/build/win32/PeloxDemo-i686.zip"
[ -s "$zip" ] || { echo "FAIL: $zip missing"; exit 1; }
list=$(python3 -c 'import sys,zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
for f in PeloxDemo/Demo.exe PeloxDemo/KVhelp.chm PeloxDemo/README-Windows.txt \
         PeloxDemo/simulator/pelox.dll PeloxDemo/simulator/pelox-sim.ini \
         PeloxDemo/pcsc/pelox.dll PeloxDemo/pcsc/pelox-pcsc.ini; do
  grep -qx "$f" <<<"$list" || { echo "FAIL: $f missing from the package"; echo "$list"; exit 1; }
done
# The end-to-end test's winscard.dll is never shipped.
if grep -qi "winscard" <<<"$list"; then echo "FAIL: the test-only winscard.dll is in the package"; exit 1; fi
# No simulated driver beside Demo.exe: the vendor's pelox.dll goes there.
if grep -qx "PeloxDemo/pelox.dll" <<<"$list"; then echo "FAIL: pelox.dll beside Demo.exe"; exit 1; fi
python3 - "$zip" <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
exe = z.read("PeloxDemo/Demo.exe")
pe = int.from_bytes(exe[0x3C:0x40], "little")
machine = int.from_bytes(exe[pe + 4:pe + 6], "little")
assert machine == 0x14C, f"Demo.exe in the package is not a 32-bit program (machine {machine:#x})"
PY
echo "package: $(wc -l <<<"$list") entries"
