#pragma once
// The browser list: three items per browser (display name, program path,
// plug-in directory), unique by program path ignoring case, sorted by name.
#include "detect/tslist.h"

#include <string>

// The browsers found on this computer; filled once at start-up.
extern tsList browserList;

// Index of the first entry whose lower-cased program path equals lowerPath; -1 when none.
int findBrowserByPath(const tsList& list, const std::string& lowerPath);
// Adds an entry, or replaces in place the one with the same program path (ignoring case).
void addOrUpdateBrowser(tsList& list, const std::string& name, const std::string& pluginDir,
                        const std::string& programPath);
// True when some entry's plug-in directory equals dir byte for byte.
bool hasPluginDir(const tsList& list, const std::string& dir);
// Sorts the entries lo..hi (entry numbers, inclusive) by display name, bytewise.
void sortBrowsers(tsList& list, int lo, int hi);
