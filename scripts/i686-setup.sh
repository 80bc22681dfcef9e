#!/usr/bin/env bash
# Makes this machine run 32-bit (i686) programs, the release build under
# 32-bit Wine and the 32-bit native tests, when its kernel cannot: qemu's user
# mode (10 or newer, from bookworm-backports on Debian 12; the 7.2 of Debian 12
# takes about a minute to start each Wine program) registered for i386 ELF
# programs through binfmt_misc, 32-bit Wine, and g++-multilib. Idempotent: a
# second run changes nothing. Says why and exits 1 when it cannot.
set -euo pipefail

QEMU=/usr/bin/qemu-i386
WINE32=/usr/lib/wine/wine
BINFMT=/proc/sys/fs/binfmt_misc
# The i386 ELF header: 32-bit, little-endian, an executable or shared object
# for machine 3 (EM_386).
MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

cannot() {
  echo "i686 set-up: cannot run the 32-bit build here: $*" >&2
  exit 1
}

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || cannot "it needs root (or sudo) to install packages and register qemu"
  SUDO="sudo"
fi
[ "$(dpkg --print-architecture 2>/dev/null)" = amd64 ] || cannot "this is not an amd64 Debian machine"

have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
qemu_major() { "$QEMU" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p'; }
runs_i686() { "$WINE32" --version >/dev/null 2>&1; }

APT_WHO="i686 set-up"
. "$(dirname "$0")/apt-lib.sh"
install_or_stop() {
  echo "i686 set-up: installing $*"
  apt_install "$@" || cannot "apt-get install $* failed"
}

# 32-bit Wine, the 32-bit C++ libraries (with their sanitizer runtimes) and
# GoogleTest's sources.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "i686 set-up: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  APT_UPDATED=0
fi
need=()
have_pkg wine32:i386 || need+=(wine32:i386)
have_pkg g++-multilib || need+=(g++-multilib)
have_pkg googletest || need+=(googletest)  # the sources, built with -m32
[ ${#need[@]} -eq 0 ] || install_or_stop "${need[@]}"

# The kernel may run 32-bit programs itself; then nothing more is needed.
if [ ! -e "$BINFMT/qemu-i386" ] && runs_i686; then
  echo "i686 set-up: the kernel runs 32-bit programs itself"
  exit 0
fi

# qemu 10 or newer.
if [ "$(qemu_major)" = "" ] || [ "$(qemu_major)" -lt 10 ]; then
  list=/etc/apt/sources.list.d/bookworm-backports.sources
  if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # The same archive as the machine's own Debian sources.
    uri=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
      grep -v security | head -1)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
    [ -n "$uri" ] || cannot "no Debian bookworm source in /etc/apt to take bookworm-backports from"
    echo "i686 set-up: adding bookworm-backports from $uri"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uri" | $SUDO tee "$list" >/dev/null
    APT_UPDATED=0
  fi
  echo "i686 set-up: installing qemu-user from bookworm-backports"
  apt_install -t bookworm-backports qemu-user || cannot "qemu-user from bookworm-backports could not be installed"
  major=$(qemu_major)
  [ -n "$major" ] && [ "$major" -ge 10 ] || cannot "$QEMU is version '${major:-none}', 10 or newer is needed"
fi

# binfmt_misc hands i386 ELF programs to qemu.
if [ ! -e "$BINFMT/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
    cannot "binfmt_misc cannot be mounted on $BINFMT (a container without the privilege to mount it?)"
fi
entry="$BINFMT/qemu-i386"
if [ ! -e "$entry" ] || ! grep -qx "interpreter $QEMU" "$entry" || ! grep -qx 'flags: PF' "$entry" ||
   ! grep -qx 'enabled' "$entry"; then
  [ -e "$entry" ] && { echo -1 | $SUDO tee "$entry" >/dev/null; }
  echo "i686 set-up: registering $QEMU for i386 programs"
  echo ":qemu-i386:M::$MAGIC:$MASK:$QEMU:PF" | $SUDO tee "$BINFMT/register" >/dev/null ||
    cannot "qemu-i386 could not be registered in $BINFMT"
fi
runs_i686 || cannot "a 32-bit program ($WINE32 --version) still does not start"
