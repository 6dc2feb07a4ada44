#!/usr/bin/env bash
# Hand-off benchmark under Wine (not a test): hands off 50, 200 and 500 files
# through Quenby and the registered Brenmark to the stand-in receiving
# program, times the folder walker over a tree of 20,000 files against a
# bare FindFirstFileW walk of the same tree, and times the Office add-in's
# start-up as Word sees it, all in one run.
# Usage: bash bench/run.sh   (builds first, like cmake/demo.sh; in the
# 64-bit-only mode of cmake/wine-mode.sh with the 64-bit builds)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
# Wine first: the try of its 32-bit loader needs it installed.
"$top/cmake/install-deps.sh"
. "$top/cmake/wine-mode.sh"
kq_wine_mode
if kq_64bit_only; then
  kq_bar_32bit "$0" "$@"
  echo "64-bit-only mode ($KQ_WINE_MODE_WHY): the 64-bit builds are measured"
  bin="$top/build/x86_64" brenmark=Brenmark-64.dll regsvr32='C:\windows\system32\regsvr32.exe'
else
  bin="$top/build/i686" brenmark=Brenmark.dll regsvr32='C:\windows\syswow64\regsvr32.exe'
fi
"$top/cmake/build.sh" >/dev/null
work="$top/build/bench"
"$top/cmake/wine-prefix.sh" "$work/prefix" >/dev/null
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
c="$WINEPREFIX/drive_c"
trap 'wineserver -k 2>/dev/null || true' EXIT

mkdir -p "$c/bench/Oberlane" "$c/bench/setup"
cp "$bin/tests/standin/Oberlane.exe" "$c/bench/Oberlane/"
cp "$bin/runner/Quenby.exe" "$bin/bench/walker_bench.exe" "$c/bench/"
cp "$bin/addin/$brenmark" "$c/bench/setup/"
printf 'COM=yes\r\nMSWord=yes\r\nLoader=C:\\bench\\Oberlane\\Oberlane.exe\r\nParams=label="Archiv" appid=A1 configid=C1\r\n' \
  >"$c/bench/setup/setup.ini"
(cd "$c/bench/setup" && kq_wine "$regsvr32" /s "C:\\bench\\setup\\$brenmark" >/dev/null 2>&1)
# Keep one wineserver for the whole run: its start is no part of a hand-off.
wineserver -p 2>/dev/null || true
temp=$(kq_wine winepath -u "$(kq_wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null)

echo "Hand-off through Quenby (one process run per size; the floor is one 10 ms"
echo "wait for each hand-off folder after the first, when the tick has not moved on):"
printf '%6s %10s %14s %10s %8s %14s\n' files "total ms" "ms/document" "floor ms" ratio "gaps >= 10 ms"
for n in 50 200 500; do
  docs="$c/bench/docs$n"
  mkdir -p "$docs"
  for i in $(seq "$n"); do printf 'document %d\n' "$i" >"$docs/document$i.pdf"; done
  rm -rf "$temp/kq_temp_inbox" "$c/bench/Oberlane/oberlane-record.txt"
  read -r ms code < <(kq_wine 'C:\bench\walker_bench.exe' time 'C:\bench\Quenby.exe' /f "C:\\bench\\docs$n" 2>/dev/null | tr -d '\r')
  made=$(find "$temp/kq_temp_inbox" -name '*.xml' 2>/dev/null | wc -l)
  [ "$code" = 0 ] && [ "$made" = "$n" ] || { echo "run of $n: exit code $code, $made hand-off files"; exit 1; }
  for _ in $(seq 50); do [ -s "$c/bench/Oberlane/oberlane-record.txt" ] && break; sleep 0.2; done
  # Consecutive folder names 10 ticks or more apart: at most that many waits.
  waits=$(tr -d '\r' <"$c/bench/Oberlane/oberlane-record.txt" | sed -n 's/^parameters=.* files=\([^ ]*\).*/\1/p' |
    tr ',' '\n' | sed 's/kq_data_//' | awk 'NR > 1 && $1 - last >= 10 { w++ } { last = $1 } END { print w + 0 }')
  floor=$(( (n - 1) * 10 ))
  awk -v n="$n" -v ms="$ms" -v floor="$floor" -v waits="$waits" \
    'BEGIN { printf "%6d %10.0f %14.2f %10d %8.2f %9d of %d\n", n, ms, ms / n, floor, ms / floor, waits, n - 1 }'
done

echo
echo "Folder walker (both passes, as Corvelle and Quenby run them; median of 5):"
kq_wine 'C:\bench\walker_bench.exe' tree 'C:\bench\tree' 20000 2>/dev/null | tr -d '\r'

echo
echo "Office add-in start-up as Word sees it (the test host, one process per load;"
echo "median of 5 loads; Office's budget is 1000 ms, our goal 50 ms):"
cp "$bin/tests/officehost/office_test_host.exe" "$c/bench/"
runs=$(for _ in 1 2 3 4 5; do kq_wine 'C:\bench\office_test_host.exe' time word 2>/dev/null | tr -d '\r'; done)
[ "$(printf '%s\n' "$runs" | grep -c .)" = 5 ] || { echo "the test host failed: $runs"; exit 1; }
median() { printf '%s\n' "$runs" | awk -v f="$1" '{ print $f }' | sort -g | sed -n 3p; }
printf '%10s %14s %14s %18s %12s\n' "total ms" "create ms" "OnConnection" "OnStartupComplete" "GetCustomUI"
printf '%10s %14s %14s %18s %12s\n' "$(median 1)" "$(median 2)" "$(median 3)" "$(median 4)" "$(median 5)"
echo "(create: CoCreateInstance, which loads Brenmark.dll; each column is its own median)"
if kq_64bit_only; then
  kq_report_32bit
fi
