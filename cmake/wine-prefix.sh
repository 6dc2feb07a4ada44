#!/usr/bin/env bash
# Boots a fresh Wine prefix that every test of this run copies from.
# Usage: wine-prefix.sh DIR
set -eu
dir=$1
if [ -d "$dir" ]; then
  WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
  rm -rf "$dir"
fi
mkdir -p "$(dirname "$dir")"
export WINEPREFIX="$dir" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko downloads: the machine has no network.
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
echo "wine prefix ready: $dir"
