#pragma once
// Browser detection (Windows only): the detectors of each browser family and
// the driver that runs them in order and sorts the result. Detection never
// reports an error: whatever is missing or unreadable leaves a browser out.
#include "util/tslist.h"

#include <cstdint>
#include <string>

// Clears list, runs the Netscape Navigator, Gecko and Opera detectors in this
// order, then (where the registry has a 32-bit view beside the one read) the
// Navigator and Gecko detectors once more in the 32-bit view for browsers not
// found yet, drops the entries without absolute paths and those of browsers
// that load no plug-ins, and sorts the rest by display name.
void detectBrowsers(tsList& list);

// Netscape Navigator 4 and earlier, from HKLM\Software\Netscape\Netscape Navigator
// in the registry view given (KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0).
void detectNavigator(tsList& list, uint32_t view);

// The Gecko family (Mozilla, Firefox, Firebird, Netscape 6 and later,
// K-Meleon, ...), from the products under HKLM\Software\Mozilla in the
// registry view given.
void detectGecko(tsList& list, uint32_t view);
// Names one Gecko installation by its product's rules and adds it when its
// executable's version fits the name it is registered under.
void addGeckoBrowser(tsList& list, const std::string& pluginDir, const std::string& exe,
                     const std::string& name);
// checkGeckoVersionText (detect/naming.h) on the version resource of exe.
bool checkGeckoVersion(const std::string& lname, const std::string& exe, bool& beta,
                       std::string& name);

// Opera, from the per-user settings under HKCU\Software\Opera Software.
void detectOpera(tsList& list);
// Adds the Opera installed in dir (lower-cased) when dir holds Opera.exe and
// its plug-in directory is not listed yet; suffix follows the version.
void addOpera(tsList& list, const std::string& dir, const std::string& suffix);
