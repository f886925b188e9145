#!/usr/bin/env bash
# Gives the demo's Wine prefix a realistic set of fake browsers, so that the
# installer has something to find: their registry keys (imported from a .reg
# file, as the browsers' own setups would have left them) and their programs,
# which are the fake browser programs of tests/fixtures with version resources
# of the real ones, in C:\Program Files.   demo-browsers.sh RIGDIR
set -euo pipefail
rig=$(realpath "${1:?usage: demo-browsers.sh RIGDIR}")
cd "$(dirname "$0")/.."
fixtures=build/win64/tests/fixtures
if [ ! -f "$fixtures/fx-ff15.exe" ]; then
  echo "demo-browsers: no fake browsers in $fixtures; build the win64 target browser_fixtures" >&2
  exit 1
fi
# shellcheck disable=SC1091
. "$rig/env"
programs="$WINEPREFIX/drive_c/Program Files"

place() { # fixture, path below C:\Program Files
  mkdir -p "$programs/$(dirname "$2")"
  cp "$fixtures/fx-$1.exe" "$programs/$2"
}
place netscape62 'Netscape/Communicator/Program/netscape.exe'
place ff15 'Mozilla Firefox/firefox.exe'
place ff107 'Firefox 1.0/firefox.exe'
place mozilla1712 'mozilla.org/Mozilla/mozilla.exe'
place netscape62 'Netscape/Netscape 6/netscp6.exe'
place kmeleon09 'K-Meleon/k-meleon.exe'
place firebird07 'Mozilla Firebird/MozillaFirebird.exe'
place opera850 'Opera/Opera.exe'
mkdir -p "$programs/Mozilla Firebird/defaults/pref"
cat >"$programs/Mozilla Firebird/defaults/pref/all.js" <<'JS'
pref("general.useragent.vendor", "Firebird");
pref("general.useragent.vendorSub", "0.7");
JS
# The plug-in directories the installer will fill.
for dir in 'Netscape/Communicator/Program/Plugins' 'Mozilla Firefox/plugins' \
  'Firefox 1.0/plugins' 'mozilla.org/Mozilla/plugins' 'Netscape/Netscape 6/Plugins' \
  'K-Meleon/Plugins' 'Mozilla Firebird/plugins' 'Opera/Program/Plugins'; do
  mkdir -p "$programs/$dir"
done

reg=$rig/demo-browsers.reg
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator]
"CurrentVersion"="4.79 (en)"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\4.79 (en)\Main]
"Install Directory"="C:\\Program Files\\Netscape\\Communicator"
"Plugins Directory"="C:\\Program Files\\Netscape\\Communicator\\Program\\Plugins"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox]
"CurrentVersion"="1.5 (en-US)"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox\1.5 (en-US)\Main]
"PathToExe"="C:\\Program Files\\Mozilla Firefox\\firefox.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox\1.0.7 (en-US)\Main]
"PathToExe"="C:\\Program Files\\Firefox 1.0\\firefox.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox 1.0.7\bin]
"PathToExe"="C:\\Program Files\\Firefox 1.0\\firefox.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox 1.0.7\extensions]
"Plugins"="C:\\Program Files\\Firefox 1.0\\plugins"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox 1.5\bin]
"PathToExe"="C:\\Program Files\\Mozilla Firefox\\firefox.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla Firefox 1.5\extensions]
"Plugins"="C:\\Program Files\\Mozilla Firefox\\plugins"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla]
"CurrentVersion"="1.7.12 (en)"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Mozilla\1.7.12 (en)\Main]
"PathToExe"="C:\\Program Files\\mozilla.org\\Mozilla\\mozilla.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Netscape 6]
"CurrentVersion"="6.2 (en)"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Netscape 6\6.2 (en)\Main]
"PathToExe"="C:\\Program Files\\Netscape\\Netscape 6\\netscp6.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\K-Meleon\Bin]
"PathToExe"="C:\\Program Files\\K-Meleon"

[HKEY_LOCAL_MACHINE\Software\Mozilla\K-Meleon\Extensions]
"Plugins"="C:\\Program Files\\K-Meleon\\Plugins"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Firebird\Bin]
"PathToExe"="C:\\Program Files\\Mozilla Firebird\\MozillaFirebird.exe"

[HKEY_LOCAL_MACHINE\Software\Mozilla\Firebird\Extensions]
"Plugins"="C:\\Program Files\\Mozilla Firebird\\plugins"

[HKEY_CURRENT_USER\Software\Opera Software]
"Last Directory"="C:\\Program Files\\Opera\\"
"Plugin Path"="C:\\Program Files\\Opera\\Program\\Plugins"
"Last CommandLine"="C:\\Program Files\\Opera\\Opera.exe"
REG
/usr/lib/wine/wine64 regedit /S "$(/usr/lib/wine/wine64 winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
echo "demo-browsers: fake browsers registered and placed in $WINEPREFIX"
