#!/usr/bin/env bash
# Boots a fresh Wine prefix that every test of this run copies from.
# Usage: wine-prefix.sh DIR
# In the 64-bit-only mode (cmake/wine-mode.sh) the prefix is booted by
# Wine's 64-bit loader: its 32-bit half then fails at once (syswow64 has no
# rundll32) and nothing waits for it. The mode is kept in the prefix, for
# the tests that copy it.
set -eu
. "$(dirname "$0")/wine-mode.sh"
kq_wine_mode
dir=$1
if [ -d "$dir" ]; then
  WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
  rm -rf "$dir"
fi
mkdir -p "$(dirname "$dir")"
export WINEPREFIX="$dir" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko downloads: the machine has no network.
export WINEDLLOVERRIDES="mscoree,mshtml="
kq_wine wineboot -i >/dev/null 2>&1
wineserver -w
printf '%s\n%s\n' "$KQ_WINE_MODE" "$KQ_WINE_MODE_WHY" >"$dir/kq-wine-mode"
if kq_64bit_only; then
  echo "wine prefix ready (64-bit only: $KQ_WINE_MODE_WHY): $dir"
else
  echo "wine prefix ready: $dir"
fi
