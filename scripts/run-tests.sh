#!/usr/bin/env bash
# Builds every preset and runs every test: host tests natively (under ASan and
# UBSan), the fuzzers for a bounded time, then the Windows tests under Wine in
# a fresh rig. The win32 build is the shipped program; it is built, never run.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
status=0

configure_build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

run() { # name, command...
  local name=$1; shift
  echo "== $name"
  "$@" || { echo "== $name FAILED"; status=1; }
}

run "build host" configure_build host
run "build fuzz" configure_build fuzz
run "build win32" configure_build win32
run "build win64" configure_build win64
run "test host" ctest --preset host -j "$jobs"
run "test fuzz" ctest --preset fuzz
rig=build/win64/wine-rig
trap 'scripts/wine-rig stop "$rig"' EXIT INT TERM
scripts/wine-rig start "$rig" || status=1
run "test win64" ctest --preset win64 -j "$jobs"
exit $status
