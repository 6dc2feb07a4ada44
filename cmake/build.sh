#!/usr/bin/env bash
# Builds both architectures: build/i686 (every deliverable) and build/x86_64
# (Brenmark-64.dll, and 64-bit builds of the other programs for the tests and
# the demo), each with its tests. Starts no Windows program, so it runs the
# same in the 64-bit-only mode.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/cmake/install-deps.sh"
jobs=$(nproc)
for arch in i686 x86_64; do
  dir="$top/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$dir" -j "$jobs"
done
