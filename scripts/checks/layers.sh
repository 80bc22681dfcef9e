#!/usr/bin/env bash
# The layers of the code: a file may include only layers below its own (and
# the platform ports and resource ids, which every layer may use).
#
#   cards < reader < apdu < memview < security, consoles, batch < view < app
#   < platform/win32 (the Win32 layer puts the program together: it creates
#   the application object and carries the frame)
#
# The drivers (sim/, pcsc/) include only driverlib/, cards/ and the driver
# table's declaration (reader/driver.h, the function list, the port codes); pcsc/
# includes nothing of sim/ (its virtual reader, a test tool, may use the
# simulator's card models); src/ includes neither driver. The command-line
# tool (tools/pelox-card) uses the layers below the view without the
# consoles, and only its program binds the drivers. Prints every
# include that breaks a rule and fails if there is one.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"

rank() {
  case "$1" in
    cards) echo 1 ;;
    reader) echo 2 ;;
    apdu) echo 3 ;;
    memview) echo 4 ;;
    security | consoles | batch) echo 5 ;;
    view) echo 6 ;;
    app) echo 7 ;;
    platform/win32) echo 8 ;;
    *) echo 0 ;;
  esac
}

# The layer of a path under src/ (a file, or an include's target).
layer_of() {
  case "$1" in
    platform/win32/*) echo platform/win32 ;;
    */*) echo "${1%%/*}" ;;
    *) echo "" ;;
  esac
}

bad=0
report() {
  echo "layers: $1 includes \"$2\": $3"
  bad=1
}

while IFS= read -r file; do
  from=$(layer_of "${file#src/}")
  from_rank=$(rank "$from")
  while IFS= read -r inc; do
    to=$(layer_of "$inc")
    case "$to" in
      sim | pcsc) report "$file" "$inc" "the program includes no driver"; continue ;;
      platform | resources | "" | "$from") continue ;;
    esac
    to_rank=$(rank "$to")
    if [ "$to_rank" -eq 0 ]; then
      report "$file" "$inc" "not a layer of src/"
    elif [ "$to_rank" -ge "$from_rank" ]; then
      report "$file" "$inc" "$to is not below $from"
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

while IFS= read -r file; do
  while IFS= read -r inc; do
    case "$inc" in
      driverlib/* | cards/* | reader/driver.h | reader/driver_functions.h | reader/driver_table_fill.h | reader/reader_port.h) ;;
      sim/*) case "$file" in
               sim/* | pcsc/vreader/*) ;;
               *) report "$file" "$inc" "the PC/SC driver includes nothing of the simulator" ;;
             esac ;;
      pcsc/*) case "$file" in
                pcsc/*) ;;
                *) report "$file" "$inc" "the simulator includes nothing of the PC/SC driver" ;;
              esac ;;
      */*) report "$file" "$inc" "a driver includes only driverlib/, cards/ and the driver table" ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find sim pcsc -name '*.h' -o -name '*.cpp' | sort)

# The command-line tool stands on the layers below the view and the
# consoles; its program binds the drivers.
while IFS= read -r file; do
  while IFS= read -r inc; do
    case "$inc" in
      view/* | app/* | consoles/* | platform/win32/*)
        report "$file" "$inc" "the command-line tool uses only the layers below the view, without the consoles" ;;
      sim/* | pcsc/*) case "$file" in
                        tools/pelox-card/main.cpp) ;;
                        *) report "$file" "$inc" "only the tool's program binds a driver" ;;
                      esac ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find tools/pelox-card -name '*.h' -o -name '*.cpp' | sort)

[ "$bad" -eq 0 ] && echo "layers: every include goes down"
exit "$bad"
