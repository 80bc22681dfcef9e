#!/usr/bin/env bash
# One pcscd for a test run, with vsmartcard's vpcd readers ("Virtual PCD 00 00"
# on port 35963, "00 01" on 35964) for the virtual reader of pcsc/vreader.
#
#   scripts/pcscd.sh start      starts pcscd in the foreground mode (-f) as a
#                               background child, in a network namespace of its
#                               own that has only the loopback device: vpcd
#                               listens on every address of that namespace,
#                               so it is reachable on 127.0.0.1 and nowhere
#                               else. Its PID goes to build/pcscd/pcscd.pid.
#   scripts/pcscd.sh run CMD... runs CMD in that namespace (where the virtual
#                               reader can reach vpcd); PC/SC clients work
#                               from anywhere through pcscd's socket.
#   scripts/pcscd.sh stop       stops that pcscd by its PID.
#
# pcscd 1.9.9 has a fixed socket, /run/pcscd/pcscd.comm: only one pcscd can
# run on the machine, so a pcscd that is already running is an error.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR="$ROOT/build/pcscd"
PIDFILE="$DIR/pcscd.pid"
SOCKET=/run/pcscd/pcscd.comm
VPCD_DRIVER=/usr/lib/pcsc/drivers/serial/libifdvpcd.so

running() { [ -f "$PIDFILE" ] && kill -0 "$(cat "$PIDFILE")" 2>/dev/null; }

case "${1:-}" in
  start)
    if running; then echo "pcscd already running (PID $(cat "$PIDFILE"))"; exit 0; fi
    if pgrep -x pcscd >/dev/null; then
      echo "another pcscd is running (PID $(pgrep -x pcscd | tr '\n' ' ')); stop it first: pcscd has one socket per machine" >&2
      exit 1
    fi
    [ -e "$VPCD_DRIVER" ] || { echo "vpcd is missing: install vsmartcard-vpcd (scripts/deps.sh)" >&2; exit 1; }
    mkdir -p "$DIR/reader.conf.d" /run/pcscd
    rm -f "$SOCKET"
    cat > "$DIR/reader.conf.d/vpcd" <<CONF
FRIENDLYNAME "Virtual PCD"
DEVICENAME   /dev/null:0x8C7B
LIBPATH      $VPCD_DRIVER
CHANNELID    0x8C7B
CONF
    # unshare and sh exec into pcscd: the PID started here is pcscd's own.
    unshare --net sh -c "ip link set lo up && exec pcscd -f -c '$DIR/reader.conf.d'" >"$DIR/pcscd.log" 2>&1 &
    echo $! > "$PIDFILE"
    for _ in $(seq 1 100); do
      [ -S "$SOCKET" ] && break
      running || { echo "pcscd did not start:" >&2; cat "$DIR/pcscd.log" >&2; exit 1; }
      sleep 0.1
    done
    [ -S "$SOCKET" ] || { echo "pcscd did not open $SOCKET" >&2; exit 1; }
    echo "pcscd started (PID $(cat "$PIDFILE"))"
    ;;
  run)
    shift
    running || { echo "pcscd is not running: scripts/pcscd.sh start" >&2; exit 1; }
    exec nsenter --net="/proc/$(cat "$PIDFILE")/ns/net" "$@"
    ;;
  stop)
    if running; then
      pid=$(cat "$PIDFILE")
      kill "$pid"
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
      echo "pcscd stopped (PID $pid)"
    fi
    rm -f "$PIDFILE"
    ;;
  *) echo "usage: scripts/pcscd.sh start | run CMD... | stop" >&2; exit 2 ;;
esac
