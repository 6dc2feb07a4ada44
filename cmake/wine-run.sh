#!/usr/bin/env bash
# CTest's emulator: runs one Windows program under Wine in a prefix of its
# own (a copy of the run's fresh template), so tests never see each other's
# registry or temporary files. Starts an Xvfb display when none is there.
#
# Environment: KQ_WINE_TEMPLATE (template prefix), KQ_WINE_KEEP=1 keeps the
# prefix for inspection, KQ_WINE_PREFIX uses a given prefix as it is.
#
# The template knows the run's mode (cmake/wine-prefix.sh). In the 64-bit-
# only mode the program goes straight to Wine's 64-bit loader, and a 32-bit
# program is not started at all: it ends with SKIP_CODE, which CTest counts
# as skipped.
set -u
here=$(cd "$(dirname "$0")" && pwd)
template=${KQ_WINE_TEMPLATE:-}
SKIP_CODE=77
. "$here/wine-mode.sh"
if [ -z "${KQ_WINE_MODE:-}" ] && [ "${KQ_64BIT_ONLY:-0}" != 1 ] && [ -f "$template/kq-wine-mode" ]; then
  { read -r KQ_WINE_MODE; read -r KQ_WINE_MODE_WHY; } <"$template/kq-wine-mode"
fi
kq_wine_mode || exit 2

# The machine field of a PE file's header: 014c for i386.
pe_machine() {
  local at
  at=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] && od -An -t x2 -j $((at + 4)) -N 2 "$1" 2>/dev/null | tr -d ' '
}
if kq_64bit_only && [ -f "$1" ] && [ "$(pe_machine "$1")" = 014c ]; then
  echo "wine-run: $(basename "$1") is a 32-bit program, left out in 64-bit-only mode ($KQ_WINE_MODE_WHY)" >&2
  exit $SKIP_CODE
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

own_prefix=
if [ -n "${KQ_WINE_PREFIX:-}" ]; then
  export WINEPREFIX=$KQ_WINE_PREFIX
else
  if [ -z "$template" ] || [ ! -f "$template/system.reg" ]; then
    echo "wine-run: no template prefix (KQ_WINE_TEMPLATE=$template)" >&2
    exit 2
  fi
  root=$(dirname "$template")
  own_prefix=$(mktemp -d "$root/prefix.XXXXXX")
  kq_copy_prefix "$template" "$own_prefix"
  export WINEPREFIX=$own_prefix
fi

. "$here/xvfb.sh"
kq_start_xvfb 1280x1024x24
xvfb_pid=$KQ_XVFB_PID

cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ -n "$own_prefix" ] && [ "${KQ_WINE_KEEP:-0}" != 1 ]; then
    rm -rf "$own_prefix"
  fi
}
trap cleanup EXIT

kq_wine "$@"
rc=$?
exit $rc
