#!/usr/bin/env bash
# Builds the shipped 32-bit installer program twice, from scratch, in two
# build folders of different names, and compares the results byte for byte.
# Exit status 0 when they are identical. Nothing in the program may depend on
# the time or the place of its build.
set -euo pipefail
cd "$(dirname "$0")/.."
for side in a b; do
  rm -rf "build/repro-$side"
  cmake --preset win32 -B "build/repro-$side" >/dev/null
  cmake --build "build/repro-$side" -j2 --target installer >/dev/null
done
sha256sum build/repro-a/installer/installer.exe build/repro-b/installer/installer.exe
if cmp build/repro-a/installer/installer.exe build/repro-b/installer/installer.exe; then
  echo "compare-builds: identical"
else
  echo "compare-builds: the two builds differ"
  exit 1
fi
