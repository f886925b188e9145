#pragma once
// The browser list as detection builds it: three items per browser (display
// name, program path, plug-in directory), unique by program path ignoring
// case, sorted by name. What detection hands on is one typed record per
// browser (browserRecords).
#include "util/tslist.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Browser k of a list: its three strings, which start at index 3k.
struct tBrowser {
  std::string name;
  std::string program;   // full path of the executable
  std::string pluginDir; // plug-in directory
};
constexpr int stringsPerBrowser = 3;
inline int browserCount(const tsList& list) {
  return list.Count() / stringsPerBrowser;
}
// Browser k; empty texts for a k outside the list.
tBrowser browserAt(const tsList& list, int k);
// Every browser of the list, in its order.
std::vector<tBrowser> browserRecords(const tsList& list);

// Index of the first entry whose lower-cased program path equals lowerPath; -1 when none.
int findBrowserByPath(const tsList& list, const std::string& lowerPath);
// Adds an entry, or replaces in place the one with the same program path (ignoring case).
// The name is listed without its control characters.
void addOrUpdateBrowser(tsList& list, const std::string& name, const std::string& pluginDir,
                        const std::string& programPath);
// True when some entry's plug-in directory equals dir byte for byte.
bool hasPluginDir(const tsList& list, const std::string& dir);
// Sorts the entries lo..hi (entry numbers, inclusive) by display name, bytewise.
void sortBrowsers(tsList& list, int lo, int hi);

// Appends every entry of more whose program path (ignoring case) list does
// not hold yet, in more's order; entries already listed stay as they are.
void addMissingBrowsers(tsList& list, const tsList& more);
// True when path names a place on its own, whatever the current drive and
// folder: a drive letter, ":" and a backslash (or "/"), or a UNC path
// (two backslashes and a server name).
bool isAbsolutePath(std::string_view path);
// Removes every entry whose program path or plug-in directory is not
// absolute: an installation into it would land in the current drive's root
// or the working folder, wherever the installer happens to run.
void dropUnplacedBrowsers(tsList& list);
// Removes every entry whose display name tells that the browser loads no
// plug-in of this kind (loadsNoPlugins, detect/naming.h).
void dropPluginlessBrowsers(tsList& list);
// Reads the machine type of a program's file; 0 when unknown.
using MachineReader = std::function<uint32_t(const std::string& path)>;
// Removes every entry whose program cannot load a plug-in library of
// pluginMachine (canLoadPluginOf, detect/naming.h), the program's machine
// type read by machineOf.
void keepLoadableBrowsers(tsList& list, uint32_t pluginMachine, const MachineReader& machineOf);
