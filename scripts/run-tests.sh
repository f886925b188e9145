#!/usr/bin/env bash
# Builds every preset and runs every test: host tests natively (under ASan and
# UBSan), the fuzzers for a bounded time, then the Windows tests under Wine in
# a fresh rig. The win32 build is the shipped program: where this machine runs
# 32-bit programs, the end-to-end suite runs a second time against it (the
# test programs stay 64-bit and start it as a user would); elsewhere one line
# says why it did not. Each step's output also goes to build/logs/<step>.log.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
status=0
logs=build/logs
mkdir -p "$logs"
summary=()

configure_build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}

# ctest's own closing line, "N% tests passed, N tests failed out of N".
counted() { grep -Eo '[0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1; }

run() { # name, command...
  local name=$1; shift
  local log=$logs/${name// /-}.log result=passed
  echo "== $name"
  "$@" 2>&1 | tee "$log"
  if [ "${PIPESTATUS[0]}" -ne 0 ]; then
    echo "== $name FAILED"
    result=FAILED
    status=1
  fi
  local counts
  counts=$(counted "$log")
  summary+=("$name: $result${counts:+ ($counts)}")
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
if why=$(scripts/runs-32bit 2>&1) && [ -x /usr/lib/wine/wine ]; then
  export INSTALLER_UNDER_TEST
  INSTALLER_UNDER_TEST=$(realpath build/win32/installer/installer.exe)
  run "test win32" ctest --preset win64 -j "$jobs" -L e2e
  unset INSTALLER_UNDER_TEST
else
  why=${why:-"Wine's 32-bit half (wine32) is not installed"}
  echo "== test win32: not run: $why"
  summary+=("test win32: not run: $why; the 64-bit program's run stands")
fi
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $status
