#!/usr/bin/env bash
# Makes the installation set in DIR, the folder an administrator copies to
# the client machine: builds both architectures (cmake/build.sh), then
# installs build/i686 (every 32-bit deliverable, the ribbon's pictures and
# the samples) and build/x86_64 (Brenmark-64.dll only) into DIR.
#
# Usage: install.sh [--built] DIR
#   --built   the trees are built already (the demo and the set's test)
# DIR must be missing or empty, so that it holds the set and nothing else.
# KQ_BUILD_I686 and KQ_BUILD_X86_64 name other build trees.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=1
if [ "${1:-}" = --built ]; then
  build=0
  shift
fi
if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 [--built] DIR" >&2
  exit 2
fi
dir=$1
if [ -e "$dir" ] && [ -n "$(ls -A "$dir" 2>/dev/null)" ]; then
  echo "install.sh: $dir is not empty; the set needs a folder of its own" >&2
  exit 2
fi
[ "$build" = 0 ] || "$top/cmake/build.sh"
for tree in "${KQ_BUILD_I686:-$top/build/i686}" "${KQ_BUILD_X86_64:-$top/build/x86_64}"; do
  if [ ! -f "$tree/cmake_install.cmake" ]; then
    echo "install.sh: $tree is no configured build tree (run cmake/build.sh)" >&2
    exit 1
  fi
  cmake --install "$tree" --prefix "$dir"
done
