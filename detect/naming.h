#pragma once
// The rules by which the detectors name browsers, accept installations and
// find their directories: everything of Gecko, Netscape Navigator and Opera
// detection that needs neither the registry nor a version resource.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// --- Gecko family ---

// A name containing "Netscape 6 " loses its characters 10 and 11, so the
// registry's "Netscape 6" + " " + version reads "Netscape " + version.
std::string dropNetscape6Major(std::string name);

// The plug-in directory beside a registered executable.
std::string geckoPluginDir(const std::string& exe);

// The folder a Gecko browser of exe reads the plug-ins of pluginDir from.
// Browsers that keep their application in a "browser" subfolder (its
// browser\omni.ja lies in the program folder) read <program folder>\browser\plugins
// and skip <program folder>\plugins unless a preference that is off by
// default says otherwise; so a pluginDir naming that folder (ignoring case)
// becomes the one they read. Every other pluginDir stays as registered.
std::string geckoLoadedPluginDir(const std::string& pluginDir, const std::string& exe);

// --- Browsers by their display names ---

// An Opera entry: "Opera " and its product version.
bool isOperaName(std::string_view name);
// A browser that loads no plug-in of this kind: Firefox 53 and later (a name
// starting "Mozilla Firefox" whose first number is 53 or more) and Opera 15
// and later (another engine).
bool loadsNoPlugins(std::string_view name);
// Whether a browser whose program has the machine type programMachine can
// load a plug-in library of pluginMachine: only of the same type. An unknown
// type (0) on either side keeps the browser, and so does Opera, whose 64-bit
// build runs 32-bit plug-ins in a helper process.
bool canLoadPluginOf(std::string_view name, uint32_t programMachine, uint32_t pluginMachine);

// Reads a version text of the executable being checked.
using VersionText = std::function<std::string()>;

// The rule of checkGeckoVersion over the executable's file and product
// versions (each read only when the rule needs it): true when the
// executable's version occurs in the lower-cased registry name lname. Sets
// beta for a Firefox file version with "b"; a Firefox of file version 1.8 or
// later gets its name's version part replaced by the full product version.
bool checkGeckoVersionText(const std::string& lname, const VersionText& fileVersion,
                           const VersionText& productVersion, bool& beta, std::string& name);

// The first two fields of a product version as the Firefox rename looks for
// them in the registry name: the text before the second "." (less one more
// character when there is no second ".").
std::string firefoxShortVersion(const std::string& productVersion);

// The value of "general.useragent.vendorSub" in dir + "defaults\pref\all.js"
// (dir ends in "\"): the last line naming it counts. Empty without such a line
// or file, and for an empty dir.
std::string readVendorSub(const std::string& dir);

// --- Netscape Navigator ---

// The registered version, or empty when it names Opera (which registered
// itself under Navigator's key).
std::string navigatorVersion(const std::string& currentVersion);

// Where netscape.exe lies: below the install directory's "Program" folder,
// else beside the plug-in directory.
std::string navigatorProgramPath(const std::string& installDir, const std::string& pluginsDir);

// --- Opera ---

// What a value of Opera's settings key tells, by its lower-cased name.
enum class OperaValue { other, pluginPath, lastDirectory, lastCommandLine };
OperaValue operaValueKind(std::string_view lowerName);
// The text read when the value is missing: "xxxx" names no directory.
std::string operaValueDefault(OperaValue kind);
// The installation directory the lower-cased value names; empty when none.
std::string operaDirFromValue(OperaValue kind, std::string_view lowerValue);
