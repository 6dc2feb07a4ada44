#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, once.
set -eu
need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v x86_64-w64-mingw32-windres >/dev/null || need+=(mingw-w64-tools binutils-mingw-w64-x86-64)
command -v cmake >/dev/null || need+=(cmake)
command -v Xvfb >/dev/null || need+=(xvfb xauth)
command -v wine >/dev/null || need+=(wine wine64)
[ -d /usr/src/googletest ] || need+=(googletest)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
dpkg -s wine64 >/dev/null 2>&1 || need+=(wine64)
command -v python3 >/dev/null || need+=(python3)
if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi
SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing: ${need[*]}"
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" \
  mingw-w64-tools >/dev/null
