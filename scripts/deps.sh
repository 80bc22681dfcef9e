#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, when missing.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd ccache || need+=(ccache)
have_pkg libgtest-dev || need+=(libgtest-dev)
have_pkg libgmock-dev || need+=(libgmock-dev)
have_pkg libbenchmark-dev || need+=(libbenchmark-dev)
have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have_cmd x86_64-w64-mingw32-windres || need+=(binutils-mingw-w64-x86-64)
have_cmd i686-w64-mingw32-windres || need+=(binutils-mingw-w64-i686)
have_cmd wine || need+=(wine)
have_cmd wine64 || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have_cmd Xvfb || need+=(xvfb)
have_cmd xwd || need+=(x11-apps)
have_pkg imagemagick || need+=(imagemagick)
have_cmd python3 || need+=(python3)
have_cmd clang++ || need+=(clang)
have_cmd chmcmd || need+=(fp-utils)
have_cmd enum_chmLib || need+=(libchm-bin)
have_pkg fonts-wqy-microhei || need+=(fonts-wqy-microhei)
have_pkg fonts-wine || need+=(fonts-wine)  # Marlett: the caption buttons
# The PC/SC driver's tests: pcscd with vsmartcard's virtual reader driver,
# run in a network namespace of its own (ip, unshare, nsenter).
have_pkg pcscd || need+=(pcscd)
have_pkg libpcsclite-dev || need+=(libpcsclite-dev)
have_pkg vsmartcard-vpcd || need+=(vsmartcard-vpcd)
have_cmd ip || need+=(iproute2)
# libFuzzer's runtime for clang
if have_cmd clang++; then
  ver=$(clang++ --version | sed -n 's/.*version \([0-9]*\).*/\1/p' | head -1)
  [ -n "$ver" ] && ! have_pkg "libclang-rt-${ver}-dev" && need+=("libclang-rt-${ver}-dev")
fi

if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  APT_WHO="set-up"
  . "$(dirname "$0")/apt-lib.sh"
  apt_install "${need[@]}" || { echo "set-up: the packages the builds need could not be installed" >&2; exit 1; }
fi
