#!/usr/bin/env bash
# The product's showcase. Builds the shipped 32-bit setup.exe and the 64-bit
# one (the same sources, the same sample payload: a plug-in
# library npvorlixa.dll with its version resource, driver files, install.js
# and install.rdf, packed by mkinstaller with a Firefox 1.5 agent text and a
# start address), gives a throwaway Wine prefix a realistic set of fake
# browsers, and runs the shipped 32-bit installer; on a machine whose kernel
# runs no 32-bit programs it says so and runs the 64-bit one. With $DISPLAY set the window is shown
# there for you to use; without it, the run happens under Xvfb, driven by
# uidemo as a user would drive it, and is reported in the terminal: the
# window, a screenshot, the message shown, what landed in which plug-in
# directory and the command line the chosen browser received.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs" --target mkinstaller loadconfig
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target sample_setup uidemo browser_fixtures
shipped=build/win32/setup.exe
if why=$(scripts/runs-32bit 2>&1) && [ -x /usr/lib/wine/wine ]; then
  setup=$shipped
else
  setup=build/win64/demo/setup.exe
  echo "demo: the shipped 32-bit program cannot run here (${why:-"no wine32"}); using the 64-bit one"
fi
echo "demo: shipped 32-bit program $shipped ($(stat -c %s "$shipped") bytes); running $setup"
rig=build/demo/wine-rig
user_display=${DISPLAY:-}
trap 'scripts/wine-rig stop "$rig"' EXIT INT TERM
scripts/wine-rig start "$rig"
scripts/demo-browsers.sh "$rig"
if [ -n "$user_display" ]; then
  echo "demo: running $setup on $user_display"
  # The stand-in desktop shell: the elevated installer starts the browser
  # only as its child. The rig's stop ends it with the prefix.
  (. "$rig/env"; DISPLAY=$user_display /usr/lib/wine/wine64 \
    build/win64/tests/fixtures/fx-shell.exe </dev/null >/dev/null 2>&1 &)
  (. "$rig/env"; DISPLAY=$user_display /usr/lib/wine/wine64 "$setup")
else
  echo "demo: running $setup headlessly"
  shot=$(realpath -m build/demo/installer-window.png)
  scripts/wine-run "$rig" build/win64/tests/driver/uidemo.exe "$(realpath "$setup")" "$shot" \
    "$(realpath build/win64/tests/fixtures/fx-shell.exe)" |
    tr -d '\r'
fi
