// The naming and acceptance rules of Gecko, Netscape Navigator and Opera
// detection, without registry or version resources.
#include "detect/naming.h"
#include "tests/util/files.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(DropNetscape6Major, CutsCharactersTenAndEleven) {
  struct Case {
    const char* name;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"Netscape 6 6.2 (en)", "Netscape 6.2 (en)"},
           {"Netscape 6 6.2.3", "Netscape 6.2.3"},
           {"Netscape 6 ", "Netscape "},
           {"Netscape 6", "Netscape 6"},         // the bare key has no blank after the 6
           {"Netscape 7 7.1", "Netscape 7 7.1"}, // only Netscape 6 repeats its major
           {"netscape 6 6.2", "netscape 6 6.2"}, // case-sensitive
           // The cut is by position, wherever the text occurs.
           {"My Netscape 6 x", "My Netsca 6 x"},
       }) {
    EXPECT_EQ(dropNetscape6Major(c.name), c.expected) << c.name;
  }
}

TEST(GeckoPluginDir, IsPluginsBesideTheProgram) {
  EXPECT_EQ(geckoPluginDir("C:\\Apps\\Firefox\\firefox.exe"), "C:\\Apps\\Firefox\\Plugins");
  EXPECT_EQ(geckoPluginDir("C:\\firefox.exe"), "C:\\Plugins");
  EXPECT_EQ(geckoPluginDir("C:firefox.exe"), "C:\\Plugins");
  EXPECT_EQ(geckoPluginDir("firefox.exe"), "\\Plugins");
  EXPECT_EQ(geckoPluginDir(""), "\\Plugins");
}

TEST(GeckoLoadedPluginDir, TheBrowserFolderWhereTheProgramFolderHoldsBrowserOmniJa) {
  testfiles::ScratchDir root;
  const std::string pm = root.path() + "\\Pale Moon", sm = root.path() + "\\SeaMonkey";
  testfiles::createFoldersTo(pm + "\\browser\\");
  testfiles::createFoldersTo(sm + "\\");
  ASSERT_TRUE(testfiles::writeFile(pm + "\\browser\\omni.ja", "PK"));
  ASSERT_TRUE(testfiles::writeFile(sm + "\\omni.ja", "PK")); // no browser subfolder
  struct Case {
    std::string pluginDir, exe, expected;
  };
  for (const Case& c : std::vector<Case>{
           // Version branch and Extensions branch, in any letter case.
           {pm + "\\Plugins", pm + "\\palemoon.exe", pm + "\\browser\\plugins"},
           {pm + "\\plugins", pm + "\\palemoon.exe", pm + "\\browser\\plugins"},
           {root.path() + "\\PALE MOON\\PLUGINS\\", pm + "\\palemoon.exe",
            pm + "\\browser\\plugins"},
           // Any other folder stays as registered.
           {pm + "\\Plugins2", pm + "\\palemoon.exe", pm + "\\Plugins2"},
           {root.path() + "\\Shared\\plugins", pm + "\\palemoon.exe",
            root.path() + "\\Shared\\plugins"},
           {pm + "\\browser\\plugins", pm + "\\palemoon.exe", pm + "\\browser\\plugins"},
           // Without browser\omni.ja the program folder's Plugins is read.
           {sm + "\\Plugins", sm + "\\seamonkey.exe", sm + "\\Plugins"},
           {"\\Plugins", "", "\\Plugins"},
       }) {
    EXPECT_EQ(geckoLoadedPluginDir(c.pluginDir, c.exe), c.expected) << c.pluginDir;
  }
}

TEST(LoadsNoPlugins, FirefoxFrom53AndOperaFrom15) {
  for (const char* loads :
       {"Mozilla Firefox 1.5.0.1", "Mozilla Firefox 52.9.0", "Mozilla Firefox 52.9.0 ESR",
        "Mozilla Firefox", "Mozilla Firefox 1.5 beta", "Opera 12.18", "Opera 8.00 beta", "Opera ",
        "Opera 14.99", "Pale Moon 33.0.0", "SeaMonkey 2.53.18", "Basilisk", "K-Meleon 76.4",
        "mozilla firefox 128.0", "Firefox 128.0", "Opera12 100"})
    EXPECT_FALSE(loadsNoPlugins(loads)) << loads;
  for (const char* none :
       {"Mozilla Firefox 53.0", "Mozilla Firefox 128.0.3", "Mozilla Firefox ESR 115.6.0",
        "Mozilla Firefox 85.0 (x64 en-US)", "Opera 15.0", "Opera 100.0.4815.76", "Opera 15 beta"})
    EXPECT_TRUE(loadsNoPlugins(none)) << none;
}

TEST(CanLoadPluginOf, TheSameMachineTypeOrOpera) {
  constexpr uint32_t i386 = 0x14C, amd64 = 0x8664;
  struct Case {
    const char* name;
    uint32_t program, plugin;
    bool loads;
  };
  for (const Case& c : std::vector<Case>{
           {"Pale Moon 33.0.0", amd64, amd64, true},
           {"Pale Moon 33.0.0", i386, i386, true},
           {"Pale Moon 33.0.0", i386, amd64, false},
           {"Mozilla Firefox 52.9.0", amd64, i386, false},
           {"Opera 12.18", amd64, i386, true}, // 32-bit plug-ins run in a helper
           {"Opera 12.18", i386, amd64, true},
           {"Opera", amd64, i386, false},         // no version: named by a Gecko product
           {"SeaMonkey 2.53.18", 0, i386, true},  // unreadable program
           {"SeaMonkey 2.53.18", amd64, 0, true}, // unknown plug-in
       }) {
    EXPECT_EQ(canLoadPluginOf(c.name, c.program, c.plugin), c.loads)
        << c.name << " " << c.program << " " << c.plugin;
  }
}

TEST(FirefoxShortVersion, TextBeforeTheSecondDot) {
  struct Case {
    const char* productVersion;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{{"1.5.0.1", "1.5"},
                                         {"10.20.3", "10.20"},
                                         {"1.5.", "1.5"},
                                         {"1.5", "1."}, // no second dot: one more goes
                                         {"1..2", "1."},
                                         {"1", ""},
                                         {"", ""}}) {
    EXPECT_EQ(firefoxShortVersion(c.productVersion), c.expected) << c.productVersion;
  }
}

// One registry name and executable: which version texts the rule reads and
// what it concludes.
struct GeckoCase {
  const char* lname;
  const char* name;
  std::optional<std::string> fileVersion;    // nullopt: must not be read
  std::optional<std::string> productVersion; // nullopt: must not be read
  bool accepted;
  bool beta;
  const char* finalName;
};

TEST(CheckGeckoVersionText, AcceptsWhenTheExecutablesVersionIsInTheName) {
  using std::nullopt;
  for (const GeckoCase& c : std::vector<GeckoCase>{
           // Firefox below 1.8: the file version itself must be in the name.
           {"mozilla firefox 1.0.7 (en-us)", "Mozilla Firefox 1.0.7 (en-US)", "1.0.7", nullopt,
            true, false, "Mozilla Firefox 1.0.7 (en-US)"},
           {"mozilla firefox 1.0.7 (en-us)", "Mozilla Firefox 1.0.7 (en-US)", "1.0.7.0", nullopt,
            false, false, "Mozilla Firefox 1.0.7 (en-US)"},
           {"mozilla firefox 1.7.12", "Mozilla Firefox 1.7.12", "1.7.12", nullopt, true, false,
            "Mozilla Firefox 1.7.12"},
           {"mozilla firefox 1.0", "Mozilla Firefox 1.0", "", nullopt, false, false,
            "Mozilla Firefox 1.0"},
           // 1.8 and later: the short product version, and the name takes the full one.
           {"mozilla firefox 1.5 (en-us)", "Mozilla Firefox 1.5 (en-US)", "1.8.0.1", "1.5.0.1",
            true, false, "Mozilla Firefox 1.5.0.1"},
           {"mozilla firefox 2.0.0.4 (en-us)", "Mozilla Firefox 2.0.0.4 (en-US)", "2.0.0.4",
            "2.0.0.4", true, false, "Mozilla Firefox 2.0.0.4"},
           {"mozilla firefox 1.5 (en-us)", "Mozilla Firefox 1.5 (en-US)", "1.8.0.1", "2.0", false,
            false, "Mozilla Firefox 1.5 (en-US)"},
           {"mozilla firefox 1.5 (en-us)", "Mozilla Firefox 1.5 (en-US)", "1.8.0.1", "", false,
            false, "Mozilla Firefox 1.5 (en-US)"},
           // A "b" marks a beta and ends the version; only lower-case b counts.
           {"mozilla firefox 1.4", "Mozilla Firefox 1.4", "1.4b", nullopt, true, true,
            "Mozilla Firefox 1.4"},
           {"mozilla firefox 1.4", "Mozilla Firefox 1.4", "1.8b4", "1.4", true, true,
            "Mozilla Firefox 1.4"},
           {"mozilla firefox 1.4", "Mozilla Firefox 1.4", "1.4", nullopt, true, false,
            "Mozilla Firefox 1.4"},
           {"mozilla firefox 1.4", "Mozilla Firefox 1.4", "1.0.7", nullopt, false, false,
            "Mozilla Firefox 1.4"},
           {"mozilla firefox 1.5b2", "Mozilla Firefox 1.5B2", "1.5B2", nullopt, false, false,
            "Mozilla Firefox 1.5B2"},
           // A major version far beyond 16 bits still counts as 1.8 and later.
           {"mozilla firefox 1.5", "Mozilla Firefox 1.5", "2147483647.0", "1.5.0.1", true, false,
            "Mozilla Firefox 1.5.0.1"},
           // The Mozilla suite: the product version before its ":", trimmed.
           {"mozilla 1.7.12 (en)", "Mozilla 1.7.12 (en)", nullopt, "1.7.12: 2005091517", true,
            false, "Mozilla 1.7.12 (en)"},
           {"mozilla 1.7.12 (en)", "Mozilla 1.7.12 (en)", nullopt, " 1.7.12 :x", true, false,
            "Mozilla 1.7.12 (en)"},
           {"mozilla 1.7.12 (en)", "Mozilla 1.7.12 (en)", nullopt, "1.7.13", false, false,
            "Mozilla 1.7.12 (en)"},
           {"mozilla 1.7.12 (en)", "Mozilla 1.7.12 (en)", nullopt, ":1.7.12", false, false,
            "Mozilla 1.7.12 (en)"},
           {"mozilla", "Mozilla", nullopt, "1.7.12", false, false, "Mozilla"},
           {"mozilla 1.7", "Mozilla 1.7", nullopt, "", false, false, "Mozilla 1.7"},
           // Others are taken as registered, without reading a version.
           {"netscape 6.2 (en)", "Netscape 6.2 (en)", nullopt, nullopt, true, false,
            "Netscape 6.2 (en)"},
           {"k-meleon 0.9", "K-Meleon 0.9", nullopt, nullopt, true, false, "K-Meleon 0.9"},
           {"", "", nullopt, nullopt, false, false, ""}, // an empty name holds nothing
       }) {
    SCOPED_TRACE(c.name);
    int fileReads = 0, productReads = 0;
    auto fileVersion = [&] {
      ++fileReads;
      return c.fileVersion.value_or("");
    };
    auto productVersion = [&] {
      ++productReads;
      return c.productVersion.value_or("");
    };
    bool beta = !c.beta; // the rule must set it either way
    std::string name = c.name;
    EXPECT_EQ(checkGeckoVersionText(c.lname, fileVersion, productVersion, beta, name), c.accepted);
    EXPECT_EQ(beta, c.beta);
    EXPECT_EQ(name, c.finalName);
    EXPECT_EQ(fileReads, c.fileVersion ? 1 : 0);
    EXPECT_EQ(productReads, c.productVersion ? 1 : 0);
  }
}

// A Gecko installation directory with a defaults\pref\all.js of given lines.
class VendorSubDir {
public:
  VendorSubDir() { testfiles::createFoldersTo(allJs()); }
  void write(const std::string& bytes) { EXPECT_TRUE(testfiles::writeFile(allJs(), bytes)); }
  // As the detector passes it: ending in "\".
  std::string dir() const { return root_.path() + "\\"; }
  std::string allJs() const { return dir() + "defaults\\pref\\all.js"; }

private:
  testfiles::ScratchDir root_;
};

TEST(ReadVendorSub, TakesTheValueOfTheLastLineNamingIt) {
  struct Case {
    std::string file;
    std::string expected;
  };
  const std::string pref = "pref(\"general.useragent.vendorSub\", ";
  for (const Case& c : std::vector<Case>{
           {pref + "\"0.6\");\n" + pref + "\"0.7\");\npref(\"other\", 1);\n", "0.7"},
           {pref + "\"0.7\");\r\n" + pref + "\"0.6\");\r\n", "0.6"},
           {pref + "0.7);\n", "0.7"},               // unquoted: ends at ")"
           {pref + "'Fire)bird');\n", "Fire)bird"}, // ")" inside quotes is kept
           {pref + "\"it's\");\n", "it's"},         // the other quote is text
           {pref + "  \"0.7\"  );\n", "0.7  "},     // after the quotes up to ")"
           {"general.useragent.vendorSub = \"0.7\")\n", "general.useragent.vendorSub = 0.7"},
           {"// " + pref + "\"old\");\n", "old"},                   // comments are not special
           {"pref(\"general.useragent.VENDORSUB\", \"x\");\n", ""}, // case-sensitive
           {"pref(\"general.useragent.vendor\", \"x\");\n", ""},
           {"", ""},
           {pref + "\"last line, no break\")", "last line, no break"},
       }) {
    VendorSubDir dir;
    dir.write(c.file);
    EXPECT_EQ(readVendorSub(dir.dir()), c.expected) << c.file;
  }
}

TEST(ReadVendorSub, IsEmptyWithoutFileOrDirectory) {
  VendorSubDir dir; // no all.js in it
  EXPECT_EQ(readVendorSub(dir.dir()), "");
  EXPECT_EQ(readVendorSub(""), "");
  // A directory named all.js passes the existence test but cannot be read.
  platform::createDirectory(dir.allJs());
  EXPECT_EQ(readVendorSub(dir.dir()), "");
}

TEST(NavigatorVersion, IsDroppedWhenItNamesOpera) {
  EXPECT_EQ(navigatorVersion("4.79 (en)"), "4.79 (en)");
  EXPECT_EQ(navigatorVersion("Opera 7.0"), "");
  EXPECT_EQ(navigatorVersion("7.0 Opera"), "");
  EXPECT_EQ(navigatorVersion("opera 7.0"), "opera 7.0"); // case-sensitive
  EXPECT_EQ(navigatorVersion(""), "");
}

TEST(NavigatorProgramPath, FromTheInstallDirectoryElseBesideThePlugins) {
  struct Case {
    const char* install;
    const char* plugins;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"C:\\NS", "D:\\elsewhere\\Plugins", "C:\\NS\\Program\\netscape.exe"},
           {"C:\\NS", "", "C:\\NS\\Program\\netscape.exe"},
           {"", "C:\\NS\\Program\\Plugins", "C:\\NS\\Program\\\\netscape.exe"},
           {"", "C:\\NS\\Program\\Plugins\\", "C:\\NS\\Program\\Plugins\\\\netscape.exe"},
           {"", "", "\\netscape.exe"},
       }) {
    EXPECT_EQ(navigatorProgramPath(c.install, c.plugins), c.expected)
        << c.install << " / " << c.plugins;
  }
}

TEST(OperaValueKind, ByPrefixOfTheLowerCasedName) {
  struct Case {
    const char* name;
    OperaValue kind;
  };
  for (const Case& c : std::vector<Case>{
           {"plugin path", OperaValue::pluginPath},
           {"plugin path 2", OperaValue::pluginPath},
           {"last directory", OperaValue::lastDirectory},
           {"last directory2", OperaValue::lastDirectory},
           {"last directory3", OperaValue::lastDirectory},
           {"last commandline", OperaValue::lastCommandLine},
           {"last commandline v2", OperaValue::lastCommandLine},
           {"last beta directory", OperaValue::other}, // read on its own, first
           {"xplugin path", OperaValue::other},
           {"last dir", OperaValue::other},
           {"Plugin Path", OperaValue::other}, // callers lower-case first
           {"", OperaValue::other},
       }) {
    EXPECT_EQ(operaValueKind(c.name), c.kind) << c.name;
  }
}

TEST(OperaValueDefault, MissingPathsReadAsTextNamingNoDirectory) {
  EXPECT_EQ(operaValueDefault(OperaValue::pluginPath), "xxxx");
  EXPECT_EQ(operaValueDefault(OperaValue::lastCommandLine), "xxxx");
  EXPECT_EQ(operaValueDefault(OperaValue::lastDirectory), "");
}

TEST(OperaDirFromValue, TheInstallationDirectoryEachValueNames) {
  struct Case {
    OperaValue kind;
    const char* value;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {OperaValue::pluginPath, "c:\\program files\\opera\\program\\plugins",
            "c:\\program files\\opera"},
           {OperaValue::pluginPath, "c:\\opera\\program\\plugin", "c:\\opera"},
           {OperaValue::pluginPath, "c:\\opera\\plugins", ""},
           {OperaValue::pluginPath, "\\program\\plugins", ""},
           {OperaValue::pluginPath, "xxxx", ""},
           {OperaValue::lastDirectory, "c:\\program files\\opera\\", "c:\\program files\\opera\\"},
           {OperaValue::lastDirectory, "", ""},
           {OperaValue::lastCommandLine, "c:\\program files\\opera\\opera.exe",
            "c:\\program files\\opera"},
           {OperaValue::lastCommandLine, "c:\\opera\\opera.exe -newwindow", "c:\\opera"},
           {OperaValue::lastCommandLine, "\"c:\\opera\\opera.exe\" -newpage", "\"c:\\opera"},
           {OperaValue::lastCommandLine, "c\\opera.exe", "c"},
           {OperaValue::lastCommandLine, "\\opera.exe", ""},
           {OperaValue::lastCommandLine, "opera.exe", ""},
           {OperaValue::lastCommandLine, "xxxx", ""},
           {OperaValue::other, "c:\\opera", ""},
       }) {
    EXPECT_EQ(operaDirFromValue(c.kind, c.value), c.expected) << c.value;
  }
}

} // namespace
