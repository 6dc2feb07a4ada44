#!/usr/bin/env bash
# Builds both architectures and runs every test under Wine: the 32-bit tests
# in build/i686, the 64-bit tests in build/x86_64. Each run boots its own
# fresh Wine prefix. Extra arguments go to ctest (e.g. -R common).
#
# On a machine that runs no 32-bit programs, or with KQ_64BIT_ONLY=1, only
# the 64-bit suite runs (cmake/wine-mode.sh); both architectures are still
# built and checked, and the run shows that it started no 32-bit process.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
# Wine first: the try of its 32-bit loader needs it installed.
"$top/cmake/install-deps.sh"
. "$top/cmake/wine-mode.sh"
kq_wine_mode
if kq_64bit_only; then
  kq_bar_32bit "$0" "$@"
  echo "64-bit-only mode: $KQ_WINE_MODE_WHY; the 32-bit tests are left out, the 64-bit suite runs"
fi
"$top/cmake/build.sh"

# The test programs of a tree (without the prefix fixture), for the line that
# says which ones this mode leaves out.
test_programs() {
  (cd "$1" && ctest -N "${@:2}") | sed -n 's/^ *Test *#[0-9]*: //p' | grep -vx wine_prefix_setup || true
}

rc=0
for arch in i686 x86_64; do
  dir="$top/build/$arch"
  if [ "$arch" = i686 ] && kq_64bit_only; then
    left=$(test_programs "$dir" "$@")
    others=$(test_programs "$top/build/x86_64" "$@")
    only32=$(comm -23 <(printf '%s\n' "$left" | sort) <(printf '%s\n' "$others" | sort) | grep . || true)
    also="each of them also runs as a 64-bit program below"
    [ -z "$only32" ] || also="of these only $(echo $only32 | sed 's/ /, /g') have no 64-bit build"
    echo "=== tests, i686: left out $(printf '%s\n' "$left" | grep -c .) 32-bit test programs," \
         "since $KQ_WINE_MODE_WHY ($also): $(echo $left | sed 's/ /, /g')"
    continue
  fi
  echo "=== tests, $arch"
  start=$(date +%s)
  (cd "$dir" && ctest --output-on-failure -j "$(nproc)" "$@") || rc=1
  echo "=== tests, $arch: $(( $(date +%s) - start )) s"
done
if kq_64bit_only; then
  kq_report_32bit || rc=1
fi
exit $rc
