#!/usr/bin/env bash
# Builds both architectures and runs every test under Wine: the 32-bit tests
# in build/i686, the 64-bit tests in build/x86_64. Each run boots its own
# fresh Wine prefix. Extra arguments go to ctest (e.g. -R common).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/cmake/build.sh"
rc=0
for arch in i686 x86_64; do
  echo "=== tests, $arch"
  (cd "$top/build/$arch" && ctest --output-on-failure -j "$(nproc)" "$@") || rc=1
done
exit $rc
