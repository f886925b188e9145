#!/usr/bin/env bash
# Builds the installer and runs it under Wine. With $DISPLAY set the window is
# shown there for you to use (in a throwaway prefix); without it, the run
# happens under Xvfb and is driven and reported in the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target installer sample_setup uidemo browser_fixtures
rig=build/demo/wine-rig
setup=build/win64/installer/installer.exe
[ -f build/win64/demo/setup.exe ] && setup=build/win64/demo/setup.exe
user_display=${DISPLAY:-}
trap 'scripts/wine-rig stop "$rig"' EXIT INT TERM
scripts/wine-rig start "$rig"
[ -x scripts/demo-browsers.sh ] && scripts/demo-browsers.sh "$rig"
if [ -n "$user_display" ]; then
  echo "demo: running $setup on $user_display"
  (. "$rig/env"; DISPLAY=$user_display /usr/lib/wine/wine64 "$setup")
else
  echo "demo: running $setup headlessly"
  scripts/wine-run "$rig" build/win64/tests/driver/uidemo.exe "$(realpath "$setup")"
fi
list="$(dirname "$setup")/detected browsers.txt"
if [ -f "$list" ]; then
  echo "demo: $list:"
  sed 's/^/  /' "$list"
fi
