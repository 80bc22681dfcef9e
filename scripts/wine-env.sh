# Sourced by the run and test scripts: a project-local Wine prefix with CJK
# font replacements, and a private virtual X display.
#   wine_prepare       create/refresh the prefix (idempotent)
#   xvfb_start         start Xvfb on a free display, export DISPLAY
#   wine_stop_all      wineserver -k and stop our Xvfb
#   screenshot FILE    save the whole virtual screen as PNG
#   program_copy FROM TO   a fresh copy of a program folder with the
#                      simulated reader as built: the default pelox-sim.ini
#                      (a factory SLE4442), no card state files

ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64
# 64-bit programs start through wine64: where 32-bit Wine is installed, `wine`
# starts every program through the 32-bit loader, which costs seconds on a
# machine that emulates it. WINE32 starts the 32-bit release build.
if [ -z "${WINE:-}" ]; then
  WINE=wine
  if command -v wine64 >/dev/null 2>&1; then WINE=wine64
  elif [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64
  fi
fi
WINE32=${WINE32:-wine}
if ! command -v wineserver >/dev/null 2>&1 && [ -x /usr/lib/wine/wineserver ]; then
  export PATH="$PATH:/usr/lib/wine"
fi

_xvfb_pid=""

xvfb_start() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  _xvfb_pid=$!
  local num
  read -r -t 30 num <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$num" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$num"
}

wine_prepare() {
  local stamp="$WINEPREFIX/.demo-fonts-2"
  # A prefix made before 32-bit Wine was installed cannot start 32-bit
  # programs; the project's own prefix is then made again.
  if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] &&
     [ "$WINEPREFIX" = "$ROOT/build/wineprefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    $WINE wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Marlett draws the caption buttons (minimise, close); Debian's fonts-wine
  # has it, but this Wine looks for it in the prefix's Fonts folder.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  if [ ! -f "$stamp" ]; then
    local font="WenQuanYi Micro Hei"
    local reg
    reg=$(mktemp --suffix=.reg)
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
      for f in "SimSun" "宋体" "NSimSun" "新宋体" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Microsoft Sans Serif"; do
        printf '"%s"="%s"\r\n' "$f" "$font"
      done
      # A virtual desktop: Wine draws the window frames and captions itself,
      # the same with or without a window manager.
      printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
      printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n'
      printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
      for f in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif" "System" "Fixedsys"; do
        printf '"%s"=hex(7):%s\r\n' "$f" "$(printf 'wqy-microhei.ttc,WenQuanYi Micro Hei\0\0' | iconv -t UTF-16LE | od -An -tx1 | tr -s ' \n' ',' | sed 's/^,//;s/,$//')"
      done
    } >"$reg.utf8"
    # A Unicode (UTF-16LE with BOM) registry file keeps the Chinese font
    # names intact; an ANSI REGEDIT4 file would garble them.
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg.utf8"; } >"$reg"
    rm -f "$reg.utf8"
    $WINE regedit "$reg" >/dev/null 2>&1 || true
    wineserver -w || true
    rm -f "$reg"
    touch "$stamp"
  fi
}

wine_stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_xvfb_pid" ]; then
    kill "$_xvfb_pid" >/dev/null 2>&1 || true
    wait "$_xvfb_pid" 2>/dev/null || true
    _xvfb_pid=""
  fi
}

screenshot() {
  xwd -root -silent -display "$DISPLAY" | convert xwd:- "png:$1"
}

program_copy() {
  rm -rf "$2"
  mkdir -p "$2"
  cp -r "$1"/. "$2"/
  # The folder's INI and cards may be the ones the card tray or the run
  # script left there.
  rm -rf "$2/cards"
  cp "$ROOT/sim/pelox-sim.ini" "$2/pelox-sim.ini"
}
