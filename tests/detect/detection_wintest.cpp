// Browser detection on whole computers: one registry layout and file tree per
// scenario, made in the prefix, and the exact browser list detectBrowsers
// leaves (names, program paths, plug-in directories, order), with the entries
// that user-agent texts pick from it.
#include "archive/peformat.h"
#include "archive/peimage.h"
#include "detect/agent.h"
#include "detect/browserlist.h"
#include "detect/detect.h"
#include "detect/osversion.h"
#include "detect/registry.h"
#include "tests/detect/machine.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace machine;

const std::string vendorSub = "pref(\"general.useragent.vendorSub\", ";

struct Agent {
  std::string text;
  std::string browser; // the display name it picks; empty: none
};

using Names = std::vector<std::string>;

struct Scenario {
  std::string name;
  Layout layout;
  std::vector<std::string> browsers; // three strings per browser
  std::vector<Agent> agents;
  // The display names still offered once a plug-in library of this build's
  // machine type, and of the other one, is known; checked where given.
  std::optional<Names> offeredToNative = std::nullopt;
  std::optional<Names> offeredToForeign = std::nullopt;
};

// The machine types of this build's programs (the fixtures) and of the
// programs of the other bitness (the FOREIGN fixtures).
constexpr uint32_t nativeMachine = sizeof(void*) == 8 ? pe::machineAmd64 : pe::machineI386;
constexpr uint32_t foreignMachine = sizeof(void*) == 8 ? pe::machineI386 : pe::machineAmd64;

void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

// Firefox registered as "Mozilla Firefox" + CurrentVersion, with the program
// (a fixture) in %ROOT%\Apps\Firefox.
Layout firefox(const std::string& currentVersion, const std::string& fixture) {
  return {
      {geckoVersion(moz + "Mozilla Firefox", currentVersion, "%ROOT%\\Apps\\Firefox\\firefox.exe")},
      {program("Apps\\Firefox\\firefox.exe", fixture)}};
}

std::vector<std::string> firefoxEntry(const std::string& name) {
  return {name, "%ROOT%\\Apps\\Firefox\\firefox.exe", "%ROOT%\\Apps\\Firefox\\Plugins"};
}

// Netscape Navigator's key with the given "Main" values.
Layout navigator(const std::string& version, const std::vector<RegEntry>& main) {
  Layout l{{lm(nav, "CurrentVersion", version)}, {}};
  l.registry.insert(l.registry.end(), main.begin(), main.end());
  return l;
}

std::vector<Scenario> scenarios() {
  const std::string ns479 = nav + "\\4.79 (en)\\Main";
  return {
      {"NoBrowserKeys", {}, {}, {{"x opera 8.50", ""}}},
      {"TypicalMachine",
       typicalMachine(),
       typicalMachineBrowsers(),
       {{"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.0.1) gecko/20060111 "
         "firefox/1.5.0.1",
         "Mozilla Firefox 1.5.0.1"},
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.12) gecko/20050915 "
         "firefox/1.0.7",
         "Mozilla Firefox 1.0.7"},
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.12) gecko/20050915",
         "Mozilla 1.7.12 (en)"},
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.5) gecko/20031007 firebird/0.7",
         "Firebird 0.7"},
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.7.5) gecko/20041108 k-meleon/0.9",
         "K-Meleon 0.9"},
        {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.50", "Opera 8.50"},
        {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.00", "Opera 8.00 beta"},
        {"mozilla/4.79 [en] (windows nt 5.0; u)", "Netscape Navigator 4.79 (en)"},
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:0.9.4) gecko/20011128 netscape6/6.2",
         ""},
        {"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1)", ""},
        {"", ""}}},

      // --- Firefox ---
      {"Firefox107FileVersionInName",
       firefox("1.0.7 (en-US)", "ff107"),
       firefoxEntry("Mozilla Firefox 1.0.7 (en-US)"),
       {{"gecko/1 firefox/1.0.7", "Mozilla Firefox 1.0.7 (en-US)"}}},
      {"Firefox107FourPartFileVersionNotInName", firefox("1.0.7 (en-US)", "ff107num"), {}, {}},
      {"FirefoxOtherVersionThanRegistered", firefox("1.0.6 (en-US)", "ff107"), {}, {}},
      {"Firefox15TakesTheFullProductVersion",
       firefox("1.5 (en-US)", "ff15"),
       firefoxEntry("Mozilla Firefox 1.5.0.1"),
       {{"rv:1.8.0.1) gecko/2006 firefox/1.5.0.1", "Mozilla Firefox 1.5.0.1"}}},
      {"Firefox14IsFirefox15", firefox("1.4", "ff14"), firefoxEntry("Mozilla Firefox 1.5"), {}},
      {"Firefox14BetaIsFirefox15Beta",
       firefox("1.4", "ff14beta"),
       firefoxEntry("Mozilla Firefox 1.5 beta"),
       {}},
      {"Firefox14WithOtherProgramIsLeftOut", firefox("1.4", "ff107"), {}, {}},
      {"FirefoxWithoutProgramIsLeftOut",
       {{geckoVersion(moz + "Mozilla Firefox", "1.5 (en-US)",
                      "%ROOT%\\Apps\\Firefox\\firefox.exe")},
        {}},
       {},
       {}},

      // --- Mozilla suite, Netscape, K-Meleon, Firebird ---
      {"MozillaSuite",
       {{geckoVersion(moz + "Mozilla", "1.7.12 (en)", "%ROOT%\\Mozilla\\mozilla.exe"),
         // The Extensions offer is named "Mozilla", which holds no version.
         lm(moz + "Mozilla\\Extensions", "Plugins", "%ROOT%\\Mozilla\\plugins")},
        {program("Mozilla\\mozilla.exe", "mozilla1712")}},
       {"Mozilla 1.7.12 (en)", "%ROOT%\\Mozilla\\mozilla.exe", "%ROOT%\\Mozilla\\Plugins"},
       {{"mozilla/5.0 (windows; u; rv:1.7.12) gecko/20050915", "Mozilla 1.7.12 (en)"},
        {"mozilla/5.0 (windows; u; rv:1.7.12)", ""}}},
      {"MozillaSuiteOtherVersionThanRegistered",
       {{geckoVersion(moz + "Mozilla", "1.7.11 (en)", "%ROOT%\\Mozilla\\mozilla.exe")},
        {program("Mozilla\\mozilla.exe", "mozilla1712")}},
       {},
       {}},
      {"Netscape62AndNavigator479",
       {{lm(nav, "CurrentVersion", "4.79 (en)"),
         lm(ns479, "Install Directory", "%ROOT%\\Communicator"),
         lm(ns479, "Plugins Directory", "%ROOT%\\Communicator\\Program\\Plugins"),
         geckoVersion(moz + "Netscape 6", "6.2 (en)", "%ROOT%\\Netscape 6\\netscp6.exe")},
        {program("Netscape 6\\netscp6.exe", "netscape62")}},
       {"Netscape 6.2 (en)", "%ROOT%\\Netscape 6\\netscp6.exe", "%ROOT%\\Netscape 6\\Plugins",
        "Netscape Navigator 4.79 (en)", "%ROOT%\\Communicator\\Program\\netscape.exe",
        "%ROOT%\\Communicator\\Program\\Plugins"},
       {{"mozilla/4.79 [en] (windows nt 5.0; u)", "Netscape Navigator 4.79 (en)"},
        // No product of its own: the first token's version, family netscape.
        {"netscape6/6.2", "Netscape 6.2 (en)"},
        {"mozilla/6.2 (windows)", "Netscape 6.2 (en)"}}},
      {"KMeleonFromBinAndExtensions",
       {{lm(moz + "K-Meleon\\Bin", "PathToExe", "%ROOT%\\K-Meleon"),
         lm(moz + "K-Meleon\\Extensions", "Plugins", "%ROOT%\\K-Meleon\\Plugins")},
        {program("K-Meleon\\k-meleon.exe", "kmeleon09")}},
       {"K-Meleon 0.9", "%ROOT%\\K-Meleon\\k-meleon.exe", "%ROOT%\\K-Meleon\\Plugins"},
       {{"gecko/1 k-meleon/0.9", "K-Meleon 0.9"}, {"gecko/1 k-meleon/0.8", ""}}},
      {"KMeleonOfferedByBothBranchesEndsAsOne",
       {{geckoVersion(moz + "K-Meleon", "0.9 (en)", "%ROOT%\\K-Meleon\\K-MELEON.EXE"),
         lm(moz + "K-Meleon\\Bin", "PathToExe", "%ROOT%\\K-Meleon"),
         lm(moz + "K-Meleon\\Extensions", "Plugins", "%ROOT%\\K-Meleon\\kplugins")},
        {program("K-Meleon\\k-meleon.exe", "kmeleon09")}},
       {"K-Meleon 0.9", "%ROOT%\\K-Meleon\\k-meleon.exe", "%ROOT%\\K-Meleon\\kplugins"},
       {}},
      {"KMeleonProgramWithoutVersion",
       {{lm(moz + "K-Meleon\\Bin", "PathToExe", "%ROOT%\\KM"),
         lm(moz + "K-Meleon\\Extensions", "Plugins", "%ROOT%\\KM\\Plugins")},
        {}},
       {"K-Meleon ", "%ROOT%\\KM\\k-meleon.exe", "%ROOT%\\KM\\Plugins"},
       {}},
      {"FirebirdTakesTheLastVendorSub",
       {{lm(moz + "Firebird\\Bin", "PathToExe", "%ROOT%\\Firebird\\MozillaFirebird.exe"),
         lm(moz + "Firebird\\Extensions", "Plugins", "%ROOT%\\Firebird\\plugins")},
        {program("Firebird\\MozillaFirebird.exe", "firebird07"),
         textFile("Firebird\\defaults\\pref\\all.js",
                  "// Firebird defaults\r\n" + vendorSub + "\"0.6\");\r\n" +
                      "pref(\"general.useragent.vendor\", \"Firebird\");\r\n" + vendorSub +
                      "\"0.7\");\r\npref(\"browser.startup.homepage\", \"about:\");\r\n")}},
       {"Firebird 0.7", "%ROOT%\\Firebird\\MozillaFirebird.exe", "%ROOT%\\Firebird\\plugins"},
       {{"rv:1.5) gecko/20031007 firebird/0.7", "Firebird 0.7"}}},
      {"FirebirdWithoutAllJs",
       {{lm(moz + "Firebird\\Bin", "PathToExe", "%ROOT%\\Firebird\\MozillaFirebird.exe"),
         lm(moz + "Firebird\\Extensions", "Plugins", "%ROOT%\\Firebird\\plugins")},
        {program("Firebird\\MozillaFirebird.exe", "firebird07")}},
       {"Firebird ", "%ROOT%\\Firebird\\MozillaFirebird.exe", "%ROOT%\\Firebird\\plugins"},
       {}},
      // --- Incomplete and doubled Gecko registrations ---
      {"IncompleteVersionBranchesAddNothing",
       {{lm(moz + "Empty Version", "CurrentVersion", ""),
         lm(moz + "No Version Key", "CurrentVersion", "1.0"),
         lm(moz + "No Version Key\\2.0\\Main", "PathToExe", "%ROOT%\\b.exe"),
         lm(moz + "No Main", "CurrentVersion", "1.0"),
         lm(moz + "No Main\\1.0\\Other", "PathToExe", "%ROOT%\\c.exe"),
         geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\Galeon\\galeon.exe")},
        {}},
       {"Galeon 1.3", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Galeon\\Plugins"},
       {}},
      {"MainWithoutPathToExe",
       {{lm(moz + "Galeon", "CurrentVersion", "1.3"),
         lm(moz + "Galeon\\1.3\\Main", "Install Directory", "%ROOT%\\Galeon"),
         lm(moz + "Mozilla Firefox", "CurrentVersion", "1.0"),
         lmKey(moz + "Mozilla Firefox\\1.0\\Main"), lm(moz + "Mozilla", "CurrentVersion", "1.7"),
         lmKey(moz + "Mozilla\\1.7\\Main")},
        {}},
       // Galeon's entry would have no program and install into the drive's root.
       {},
       {}},
      {"VersionAndExtensionsBranchOfferTheSameProgram",
       {{geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\Galeon\\galeon.exe"),
         lm(moz + "Galeon\\Extensions", "Plugins", "%ROOT%\\Shared Plugins")},
        {}},
       {"Galeon", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Shared Plugins"},
       {}},
      {"BinWithoutPathToExeEmptiesTheProgram",
       {{geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\Galeon\\galeon.exe"),
         lm(moz + "Galeon\\Bin", "Other", "x"),
         lm(moz + "Galeon\\Extensions", "Plugins", "%ROOT%\\Shared Plugins")},
        {}},
       {"Galeon 1.3", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Galeon\\Plugins"},
       {}},
      {"ExtensionsWithEmptyPluginsAddNothing",
       {{lm(moz + "Galeon\\Bin", "PathToExe", "%ROOT%\\Galeon\\galeon.exe"),
         lm(moz + "Galeon\\Extensions", "Plugins", "")},
        {}},
       {},
       {}},
      {"TwoProductsWithOneProgramEndAsTheLaterOne",
       {{geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\G\\galeon.exe"),
         geckoVersion(moz + "Zeta", "2.0", "%ROOT%\\g\\GALEON.EXE")},
        {}},
       {"Zeta 2.0", "%ROOT%\\g\\GALEON.EXE", "%ROOT%\\g\\Plugins"},
       {}},

      // --- Netscape Navigator ---
      {"NavigatorVersionNamingOperaIsNoNavigator",
       navigator("6.0 Opera", {lm(nav + "\\6.0 Opera\\Main", "Install Directory", "%ROOT%\\O")}),
       {},
       {}},
      {"NavigatorWithEmptyVersion", navigator("", {}), {}, {}},
      {"NavigatorWithoutInstallDirectory",
       navigator("4.79 (en)", {lm(ns479, "Plugins Directory", "%ROOT%\\NS\\Program\\Plugins")}),
       {"Netscape Navigator 4.79 (en)", "%ROOT%\\NS\\Program\\\\netscape.exe",
        "%ROOT%\\NS\\Program\\Plugins"},
       {}},
      // No program and no plug-in directory: no browser to offer.
      {"NavigatorWithoutMainValues",
       navigator("4.79 (en)", {lmKey(ns479)}),
       {},
       {{"mozilla/4.79 [en] (windows nt 5.0; u)", ""}}},
      {"NavigatorWithoutMainKey", navigator("4.8", {}), {}, {}},

      // --- Opera ---
      {"Opera850FoundThroughFiveValues",
       {{cu(opera, "Last Directory", "%ROOT%\\Program Files\\Opera\\"),
         cu(opera, "Last Directory2", "%ROOT%\\PROGRAM FILES\\OPERA"),
         cu(opera, "Plugin Path", "%ROOT%\\Program Files\\Opera\\Program\\Plugins"),
         cu(opera, "Last CommandLine", "%ROOT%\\Program Files\\Opera\\Opera.exe"),
         cu(opera, "Last CommandLine v2", "%ROOT%\\Program Files\\Opera\\opera.exe -newpage")},
        {program("Program Files\\Opera\\Opera.exe", "opera850")}},
       {"Opera 8.50", "%root%\\program files\\opera\\Opera.exe",
        "%root%\\program files\\opera\\Program\\Plugins"},
       {{"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.50", "Opera 8.50"},
        {"opera/8.50 (windows nt 5.1; u; en)", ""}}},
      {"OperaBetaKeepsItsSuffix",
       {{cu(opera, "Last Beta Directory", "%ROOT%\\Opera Beta\\"),
         cu(opera, "Last Directory", "%ROOT%\\Opera Beta")},
        {program("Opera Beta\\Opera.exe", "opera800")}},
       {"Opera 8.00 beta", "%root%\\opera beta\\Opera.exe", "%root%\\opera beta\\Program\\Plugins"},
       {{"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 8.00", "Opera 8.00 beta"},
        {"x opera 8.50", ""}}},
      {"OperaValuesByNamePrefix",
       {{cu(opera, "Last Directory2", "%ROOT%\\Opera850"),
         cu(opera, "Last Directory3", "%ROOT%\\Opera800\\"),
         cu(opera, "Last Directory4", "%ROOT%\\No Opera Here"),
         cu(opera, "Last Directory5", "%ROOT%\\Opera Unversioned"),
         cu(opera, "Last CommandLine", "\"%ROOT%\\Quoted\\Opera.exe\" -newpage"),
         cu(opera, "Plugin Path", "%ROOT%\\Elsewhere\\plugins"),
         cu(opera, "Home Directory", "%ROOT%\\Ignored")},
        {program("Opera850\\Opera.exe", "opera850"), program("Opera800\\Opera.exe", "opera800"),
         program("No Opera Here\\opera7.exe", "opera850"),
         program("Opera Unversioned\\Opera.exe", "noresource"),
         program("Quoted\\Opera.exe", "opera850"), program("Elsewhere\\Opera.exe", "opera850"),
         program("Ignored\\Opera.exe", "opera850")}},
       {"Opera ", "%root%\\opera unversioned\\Opera.exe",
        "%root%\\opera unversioned\\Program\\Plugins", "Opera 8.00", "%root%\\opera800\\Opera.exe",
        "%root%\\opera800\\Program\\Plugins", "Opera 8.50", "%root%\\opera850\\Opera.exe",
        "%root%\\opera850\\Program\\Plugins"},
       {{"x opera 8.00", ""}, {"x opera 8.0", "Opera 8.00"}}},
      // Opera 12 runs plug-ins of either machine type; Opera 100 loads none.
      {"Opera12KeptAndOpera100LeftOut",
       {{cu(opera, "Last Directory", "%ROOT%\\Opera 12\\"),
         cu(opera, "Last Directory2", "%ROOT%\\Opera\\")},
        {program("Opera 12\\Opera.exe", "opera1218"), program("Opera\\Opera.exe", "opera100")}},
       {"Opera 12.18", "%root%\\opera 12\\Opera.exe", "%root%\\opera 12\\Program\\Plugins"},
       {{"mozilla/4.0 (compatible; msie 6.0; windows nt 5.1; en) opera 12.18", "Opera 12.18"}},
       Names{"Opera 12.18"},
       Names{"Opera 12.18"}},
      {"OperaSettingsWithoutInstallations",
       {{cu(opera, "Last Directory", "%ROOT%\\Gone"), cu(opera, "Plugin Path", ""),
         cu(opera, "Last CommandLine", "")},
        {}},
       {},
       {}},

      // --- Where detectors meet ---
      {"LaterDetectorsWinForTheSameProgram",
       {{lm(nav, "CurrentVersion", "4.79 (en)"), lm(ns479, "Install Directory", "%ROOT%\\NS"),
         lm(ns479, "Plugins Directory", "%ROOT%\\NS\\Program\\Plugins"),
         geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\ns\\program\\NETSCAPE.EXE")},
        {}},
       {"Galeon 1.3", "%ROOT%\\ns\\program\\NETSCAPE.EXE", "%ROOT%\\ns\\program\\Plugins"},
       {}},
      {"OperaSkipsAPluginDirectoryAlreadyListed",
       {{lm(moz + "Opera Wrapper\\Bin", "PathToExe", "%ROOT%\\OW\\ow.exe"),
         lm(moz + "Opera Wrapper\\Extensions", "Plugins",
            "%root%\\program files\\opera\\Program\\Plugins"),
         cu(opera, "Last Directory", "%ROOT%\\Program Files\\Opera")},
        {program("Program Files\\Opera\\Opera.exe", "opera850")}},
       {"Opera Wrapper", "%ROOT%\\OW\\ow.exe", "%root%\\program files\\opera\\Program\\Plugins"},
       {{"x opera 8.50", ""}}},

      // --- 32-bit browsers on 64-bit Windows (the 32-bit registry view) ---
      // Firefox 52.9 ESR, the last to load plug-ins, registered by its 32-bit
      // installer only, both branches naming the program folder's plugins;
      // Firefox 128 and ESR 115 beside it load none.
      {"Only32BitFirefox529AmongNewerFirefoxes",
       {{geckoVersion(moz32 + "Mozilla Firefox", "52.9.0 (x86 en-US)",
                      "%ROOT%\\Program Files (x86)\\Mozilla Firefox\\firefox.exe"),
         geckoExtensions(moz32 + "Mozilla Firefox 52.9.0",
                         "%ROOT%\\Program Files (x86)\\Mozilla Firefox\\firefox.exe",
                         "%ROOT%\\Program Files (x86)\\Mozilla Firefox\\plugins"),
         geckoVersion(moz + "Mozilla Firefox", "128.0.3 (x64 en-US)",
                      "%ROOT%\\Program Files\\Mozilla Firefox\\firefox.exe"),
         geckoVersion(moz + "Mozilla Firefox ESR", "115.6.0esr (x64 en-US)",
                      "%ROOT%\\Program Files\\Firefox ESR\\firefox.exe")},
        {program("Program Files (x86)\\Mozilla Firefox\\firefox.exe", "ff529"),
         textFile("Program Files (x86)\\Mozilla Firefox\\browser\\omni.ja", "PK"),
         program("Program Files\\Mozilla Firefox\\firefox.exe", "ff128"),
         textFile("Program Files\\Mozilla Firefox\\browser\\omni.ja", "PK"),
         program("Program Files\\Firefox ESR\\firefox.exe", "ffesr115")}},
       {"Mozilla Firefox 52.9.0", "%ROOT%\\Program Files (x86)\\Mozilla Firefox\\firefox.exe",
        "%ROOT%\\Program Files (x86)\\Mozilla Firefox\\browser\\plugins"},
       {{"mozilla/5.0 (windows nt 10.0; win64; x64; rv:128.0) gecko/20100101 firefox/128.0", ""},
        {"gecko/1 firefox/52.9.0", "Mozilla Firefox 52.9.0"}},
       Names{},
       Names{"Mozilla Firefox 52.9.0"}},
      // The 32-bit registration of the same program (in other letter cases)
      // would have moved its plug-in directory: the first find stays.
      {"OneBrowserInBothViewsIsListedOnce",
       {{geckoVersion(moz + "Mozilla Firefox", "1.5 (en-US)", "%ROOT%\\Apps\\Firefox\\firefox.exe"),
         geckoExtensions(moz32 + "Mozilla Firefox 1.5", "%ROOT%\\APPS\\Firefox\\FIREFOX.EXE",
                         "%ROOT%\\Elsewhere\\plugins")},
        {program("Apps\\Firefox\\firefox.exe", "ff15")}},
       firefoxEntry("Mozilla Firefox 1.5.0.1"),
       {}},
      // Programs of either machine type, and one that is no program at all,
      // against a plug-in library of each.
      {"PaleMoon64BitBesideSeaMonkey32Bit",
       {{geckoVersion(moz + "Pale Moon", "33.0.0 (x64 en-US)",
                      "%ROOT%\\Program Files\\Pale Moon\\palemoon.exe"),
         geckoVersion(moz32 + "SeaMonkey", "2.53.18 (en-US)",
                      "%ROOT%\\Program Files (x86)\\SeaMonkey\\seamonkey.exe"),
         geckoVersion(moz + "Galeon", "1.3", "%ROOT%\\Galeon\\galeon.exe")},
        {program("Program Files\\Pale Moon\\palemoon.exe", "noresource"),
         program("Program Files (x86)\\SeaMonkey\\seamonkey.exe", "noresourceforeign"),
         textFile("Galeon\\galeon.exe", "MZ, and no more")}},
       {"Galeon 1.3", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Galeon\\Plugins",
        "Pale Moon 33.0.0 (x64 en-US)", "%ROOT%\\Program Files\\Pale Moon\\palemoon.exe",
        "%ROOT%\\Program Files\\Pale Moon\\Plugins", "SeaMonkey 2.53.18 (en-US)",
        "%ROOT%\\Program Files (x86)\\SeaMonkey\\seamonkey.exe",
        "%ROOT%\\Program Files (x86)\\SeaMonkey\\Plugins"},
       {{"mozilla/5.0 (windows nt 10.0; win64; x64; rv:102.0) gecko/20100101 goanna/6.5 "
         "firefox/102.0 palemoon/33.0.0",
         "Pale Moon 33.0.0 (x64 en-US)"},
        {"mozilla/5.0 (windows nt 10.0; rv:91.0) gecko/20100101 firefox/91.0 seamonkey/2.53.18",
         "SeaMonkey 2.53.18 (en-US)"}},
       Names{"Galeon 1.3", "Pale Moon 33.0.0 (x64 en-US)"},
       Names{"Galeon 1.3", "SeaMonkey 2.53.18 (en-US)"}},

      // --- Where today's Gecko browsers read plug-ins ---
      // Pale Moon and Basilisk keep their application in "browser": both
      // registry branches' <program folder>\plugins become browser\plugins;
      // a folder of another name stays as registered.
      {"BrowserOmniJaMovesTheProgramFoldersPlugins",
       {{geckoVersion(moz + "Pale Moon", "33.0.0 (x64 en-US)", "%ROOT%\\Pale Moon\\palemoon.exe"),
         geckoExtensions(moz + "Pale Moon 33.0.0", "%ROOT%\\Pale Moon\\palemoon.exe",
                         "%ROOT%\\Pale Moon\\plugins"),
         geckoExtensions(moz + "Basilisk", "%ROOT%\\Basilisk\\basilisk.exe",
                         "%ROOT%\\BASILISK\\PLUGINS\\"),
         geckoExtensions(moz + "Galeon", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Galeon\\Plugins2")},
        {program("Pale Moon\\palemoon.exe", "noresource"),
         textFile("Pale Moon\\browser\\omni.ja", "PK"),
         program("Basilisk\\basilisk.exe", "noresource"),
         textFile("Basilisk\\browser\\omni.ja", "PK"), textFile("Galeon\\browser\\omni.ja", "PK")}},
       {"Basilisk", "%ROOT%\\Basilisk\\basilisk.exe", "%ROOT%\\Basilisk\\browser\\plugins",
        "Galeon", "%ROOT%\\Galeon\\galeon.exe", "%ROOT%\\Galeon\\Plugins2", "Pale Moon 33.0.0",
        "%ROOT%\\Pale Moon\\palemoon.exe", "%ROOT%\\Pale Moon\\browser\\plugins"},
       {{"mozilla/5.0 (windows nt 10.0; win64; x64; rv:102.0) gecko/20100101 goanna/6.5 "
         "firefox/102.0 palemoon/33.0.0",
         "Pale Moon 33.0.0"},
        {"mozilla/5.0 (windows nt 10.0; win64; x64; rv:68.0) gecko/20100101 goanna/4.8 "
         "firefox/68.0 basilisk/20210712",
         "Basilisk"},
        {"gecko/1 firefox/102.0", ""}}},
      // Without browser\omni.ja (SeaMonkey keeps omni.ja in the program folder
      // itself) the program folder's Plugins stays; K-Meleon reads it whatever
      // its layout.
      {"WithoutBrowserOmniJaThePluginsStay",
       {{geckoVersion(moz + "Pale Moon", "33.0.0 (x64 en-US)", "%ROOT%\\Pale Moon\\palemoon.exe"),
         geckoVersion(moz + "SeaMonkey", "2.53.18 (en-US)", "%ROOT%\\SeaMonkey\\seamonkey.exe"),
         geckoExtensions(moz + "SeaMonkey 2.53.18", "%ROOT%\\SeaMonkey\\seamonkey.exe",
                         "%ROOT%\\SeaMonkey\\plugins"),
         lm(moz + "K-Meleon\\Bin", "PathToExe", "%ROOT%\\K-Meleon"),
         lm(moz + "K-Meleon\\Extensions", "Plugins", "%ROOT%\\K-Meleon\\Plugins")},
        {program("Pale Moon\\palemoon.exe", "noresource"), textFile("Pale Moon\\omni.ja", "PK"),
         program("SeaMonkey\\seamonkey.exe", "noresource"), textFile("SeaMonkey\\omni.ja", "PK"),
         program("K-Meleon\\k-meleon.exe", "kmeleon09"),
         textFile("K-Meleon\\browser\\omni.ja", "PK")}},
       {"K-Meleon 0.9", "%ROOT%\\K-Meleon\\k-meleon.exe", "%ROOT%\\K-Meleon\\Plugins",
        "Pale Moon 33.0.0 (x64 en-US)", "%ROOT%\\Pale Moon\\palemoon.exe",
        "%ROOT%\\Pale Moon\\Plugins", "SeaMonkey 2.53.18", "%ROOT%\\SeaMonkey\\seamonkey.exe",
        "%ROOT%\\SeaMonkey\\plugins"},
       {{"mozilla/5.0 (windows nt 10.0; rv:91.0) gecko/20100101 firefox/91.0 seamonkey/2.53.18",
         "SeaMonkey 2.53.18"},
        // An agent of another version finds SeaMonkey all the same.
        {"mozilla/5.0 (windows; u; windows nt 5.1; en-us; rv:1.8.1.6) gecko/20070802 "
         "seamonkey/1.1.4",
         "SeaMonkey 2.53.18"},
        {"gecko/1 palemoon/32.0", "Pale Moon 33.0.0 (x64 en-US)"},
        {"gecko/1 k-meleon/0.9", "K-Meleon 0.9"}}},
      {"Navigator32BitBesideOpera",
       {{lm(nav32, "CurrentVersion", "4.79 (en)"),
         lm(nav32 + "\\4.79 (en)\\Main", "Install Directory", "%ROOT%\\Communicator"),
         lm(nav32 + "\\4.79 (en)\\Main", "Plugins Directory",
            "%ROOT%\\Communicator\\Program\\Plugins"),
         cu(opera, "Last Directory", "%ROOT%\\Opera")},
        {program("Opera\\Opera.exe", "opera850")}},
       {"Netscape Navigator 4.79 (en)", "%ROOT%\\Communicator\\Program\\netscape.exe",
        "%ROOT%\\Communicator\\Program\\Plugins", "Opera 8.50", "%root%\\opera\\Opera.exe",
        "%root%\\opera\\Program\\Plugins"},
       {{"mozilla/4.79 [en] (windows nt 5.0; u)", "Netscape Navigator 4.79 (en)"}}},

      // --- Entries that name no place of their own are left out ---
      {"RelativePathsAreLeftOut",
       {{geckoVersion(moz + "Galeon", "1.3", "galeon.exe"),
         lm(moz + "Epiphany\\Bin", "PathToExe", "%ROOT%\\Epiphany\\epiphany.exe"),
         lm(moz + "Epiphany\\Extensions", "Plugins", "plugins"),
         lm(moz + "Beonex\\Bin", "PathToExe", "%ROOT%\\Beonex\\beonex.exe"),
         lm(moz + "Beonex\\Extensions", "Plugins", "C:plugins"),
         lm(moz32 + "Kazehakase", "CurrentVersion", "0.5"), lmKey(moz32 + "Kazehakase\\0.5\\Main"),
         geckoVersion(moz + "Camino", "1.0", "%ROOT%\\Camino\\camino.exe"),
         lm(nav, "CurrentVersion", "4.8"),
         lm(nav + "\\4.8\\Main", "Install Directory", "Netscape")},
        {}},
       {"Camino 1.0", "%ROOT%\\Camino\\camino.exe", "%ROOT%\\Camino\\Plugins"},
       {}},
  };
}

std::vector<std::string> itemsOf(const tsList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i)
    items.push_back(list.Get(i));
  return items;
}

class Detection : public testing::TestWithParam<Scenario> {};

TEST_P(Detection, FindsExactlyTheExpectedBrowsers) {
  const Scenario& s = GetParam();
  Installed installed(s.layout, "scenario");
  ASSERT_TRUE(installed.ok());
  osVersionStartup(); // the registry view the program reads, as at its start
  registryStartup();

  tsList list;
  list.Add("Stale Browser"); // detection starts from an empty list
  list.Add("C:\\stale.exe");
  list.Add("C:\\stale");
  detectBrowsers(list);

  std::vector<std::string> expected;
  for (const std::string& item : s.browsers)
    expected.push_back(installed.expand(item));
  EXPECT_EQ(itemsOf(list), expected);
  EXPECT_EQ(list.GetText().empty(), expected.empty());

  for (const Agent& a : s.agents) {
    std::vector<tBrowser> found = browserRecords(list);
    std::optional<size_t> i = findBrowserForAgent(found, a.text);
    EXPECT_EQ(i ? found[*i].name : std::string(), a.browser) << a.text;
  }

  for (auto [machine, offered] : {std::pair{nativeMachine, s.offeredToNative},
                                  std::pair{foreignMachine, s.offeredToForeign}}) {
    if (!offered) continue;
    tsList kept = list;
    keepLoadableBrowsers(kept, machine, fileMachine);
    Names names;
    for (int k = 0; k < browserCount(kept); ++k)
      names.push_back(browserAt(kept, k).name);
    EXPECT_EQ(names, *offered) << "a plug-in library of machine type " << machine;
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Detection, testing::ValuesIn(scenarios()),
                         [](const testing::TestParamInfo<Scenario>& info) {
                           return info.param.name;
                         });

TEST(Detectors, LeaveTheListAloneWithoutTheirKeys) {
  Installed none(Layout{}, "scenario");
  ASSERT_TRUE(none.ok());
  tsList list;
  list.Add("Kept");
  list.Add("C:\\kept.exe");
  list.Add("C:\\kept");
  for (uint32_t view : {registryView64, registryView32}) {
    detectNavigator(list, view);
    detectGecko(list, view);
  }
  detectOpera(list);
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"Kept", "C:\\kept.exe", "C:\\kept"}));
}

TEST(Detectors, RunInOrderAndLeaveTheirFindsUnsorted) {
  // detectGecko alone appends in registry order; only detectBrowsers sorts.
  Installed installed(Layout{{geckoVersion(moz + "Zeta", "2.0", "%ROOT%\\Z\\z.exe"),
                              geckoVersion(moz + "Alpha", "1.0", "%ROOT%\\A\\a.exe")},
                             {}},
                      "scenario");
  ASSERT_TRUE(installed.ok());
  tsList list;
  list.Add("Mid");
  list.Add("C:\\mid.exe");
  list.Add("C:\\mid");
  tsList elsewhere;
  detectGecko(elsewhere, registryView32);
  EXPECT_EQ(elsewhere.Count(), 0) << "the products are registered in the 64-bit view only";
  detectGecko(list, registryView64);
  EXPECT_EQ(itemsOf(list),
            (std::vector<std::string>{
                "Mid", "C:\\mid.exe", "C:\\mid", "Alpha 1.0", installed.expand("%ROOT%\\A\\a.exe"),
                installed.expand("%ROOT%\\A\\Plugins"), "Zeta 2.0",
                installed.expand("%ROOT%\\Z\\z.exe"), installed.expand("%ROOT%\\Z\\Plugins")}));
}

TEST(Detectors, AddOperaNeedsOperaExeAndAFreePluginDirectory) {
  Installed installed(Layout{{}, {program("op\\Opera.exe", "opera850")}}, "scenario");
  ASSERT_TRUE(installed.ok());
  std::string dir = lowerCase(installed.root()) + "\\op";
  tsList list;
  addOpera(list, dir + "\\", " beta");
  addOpera(list, dir, "");              // the same directory: the first stays
  addOpera(list, installed.root(), ""); // no Opera.exe there
  addOpera(list, "", "");
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{"Opera 8.50 beta", dir + "\\Opera.exe",
                                                     dir + "\\Program\\Plugins"}));
}

TEST(Detectors, FirebirdWithoutProgramPathReadsNoAllJsFromTheCurrentDirectory) {
  Installed installed(
      Layout{{lm(moz + "Firebird\\Extensions", "Plugins", "%ROOT%\\Firebird\\plugins")},
             {textFile("defaults\\pref\\all.js", vendorSub + "\"stray\");\n")}},
      "scenario");
  ASSERT_TRUE(installed.ok());
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(installed.root().c_str()));
  tsList list;
  detectGecko(list, registryView64); // the whole detection leaves such an entry out
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(itemsOf(list), (std::vector<std::string>{
                               "Firebird ", "", installed.expand("%ROOT%\\Firebird\\plugins")}));
}

TEST(Detectors, AddGeckoBrowserAppliesTheNameRules) {
  Installed installed(
      Layout{{},
             {program("ff\\firefox.exe", "ff15"), program("km\\k-meleon.exe", "kmeleon09"),
              program("fb\\firebird.exe", "firebird07"),
              textFile("fb\\defaults\\pref\\all.js", vendorSub + "\"0.7\");")}},
      "scenario");
  ASSERT_TRUE(installed.ok());
  std::string root = installed.root();
  tsList list;
  addGeckoBrowser(list, "P1", root + "\\ff\\firefox.exe", "Mozilla Firefox 1.5 (en-US)");
  addGeckoBrowser(list, "P2", root + "\\km", "K-Meleon");
  addGeckoBrowser(list, "P3", root + "\\fb\\firebird.exe", "FIREBIRD");
  addGeckoBrowser(list, "P4", root + "\\n6.exe", "Netscape 6 6.2");
  addGeckoBrowser(list, "P5", root + "\\ff\\firefox.exe", "Mozilla Firefox 1.0.7"); // rejected
  EXPECT_EQ(itemsOf(list),
            (std::vector<std::string>{"Mozilla Firefox 1.5.0.1", root + "\\ff\\firefox.exe", "P1",
                                      "K-Meleon 0.9", root + "\\km\\k-meleon.exe", "P2",
                                      "FIREBIRD 0.7", root + "\\fb\\firebird.exe", "P3",
                                      "Netscape 6.2", root + "\\n6.exe", "P4"}));
}

TEST(Detectors, CheckGeckoVersionReadsTheProgramsResource) {
  Installed installed(Layout{{}, {program("ff\\firefox.exe", "ff14beta")}}, "scenario");
  ASSERT_TRUE(installed.ok());
  std::string exe = installed.root() + "\\ff\\firefox.exe";
  bool beta = false;
  std::string name = "Mozilla Firefox 1.4";
  EXPECT_TRUE(checkGeckoVersion("mozilla firefox 1.4", exe, beta, name));
  EXPECT_TRUE(beta);
  // As a suite, its product version 1.4 counts, and beta is cleared.
  name = "Mozilla 1.4";
  EXPECT_TRUE(checkGeckoVersion("mozilla 1.4", exe, beta, name));
  EXPECT_FALSE(beta);
  EXPECT_EQ(name, "Mozilla 1.4");
  name = "Mozilla Firefox 1.5";
  EXPECT_FALSE(
      checkGeckoVersion("mozilla firefox 1.5", installed.root() + "\\none.exe", beta, name));
}

} // namespace
