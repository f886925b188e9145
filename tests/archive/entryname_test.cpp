// The rules on entry names: which are installed, where they land, and which
// are refused because they would reach outside the plug-in directory.
#include "archive/entryname.h"

#include <gtest/gtest.h>

namespace {

TEST(EntrySelection, FollowsTheExtensionAndNameRules) {
  using enum SkipRule;
  struct Case {
    const char* name;
    SkipRule rule; // the first rule that leaves the entry out
  };
  for (const Case& c : std::vector<Case>{
           {"install.js", script},
           {"INSTALL.JS", script},
           {"plugins/helper.Js", script},
           {"a.js.txt", none},
           {"a.js\\b", none},       // a "\" after the dot: no extension
           {"C:a.js:stream", none}, // a ":" after the dot: no extension
           {"a.txt.js", script},
           {"folder.js/file.dll", none}, // the extension is "js/file.dll"
           {"js", none},
           {".js", script},
           {"install.rdf", rdf},
           {"plugins/x.rdf", rdf},
           {"x.RDF", none}, // ".rdf" is tested in exact case
           {"a.rdfx", rdf},
           {"META-INF/manifest.mf", metaInf},
           {"plugins/META-INF", metaInf},
           {"META-INF/x.rdf.js", script}, // the rules in their order
           {"META-INF/x.rdf", metaInf},
           {"meta-inf/manifest.mf", none},
           {"plugins/npvorlixa.dll", none},
           {"drv1.dat", none},
           {"", none},
       }) {
    EXPECT_EQ(skipRule(c.name), c.rule) << c.name;
    EXPECT_EQ(isInstalledEntry(c.name), c.rule == none) << c.name;
  }
}

TEST(EntryTarget, LosesOnlyItsFirstFolderName) {
  EXPECT_EQ(withoutFirstFolder("plugins/np.dll"), "np.dll");
  EXPECT_EQ(withoutFirstFolder("plugins/sub/np.dll"), "sub/np.dll");
  EXPECT_EQ(withoutFirstFolder("root.dat"), "root.dat");
  EXPECT_EQ(withoutFirstFolder("plugins/"), "");
  EXPECT_EQ(withoutFirstFolder("a\\b/c"), "c");
}

TEST(EntrySafety, RefusesEveryWayOutOfTheDirectory) {
  struct Case {
    const char* path;
    bool safe;
  };
  for (const Case& c : std::vector<Case>{
           {"np.dll", true},
           {"sub/np.dll", true},
           {"sub\\np.dll", true},
           {"./np.dll", true},
           {"a..b", true},
           {"..np.dll", true},
           {"", false},
           {"..", false},
           {"../np.dll", false},
           {"sub/../../np.dll", false},
           {"sub\\..\\..\\np.dll", false},
           {"sub/..", false},
           {"...", false},
           {". .", false},
           {".. /np.dll", false},
           {"/etc/passwd", false},
           {"\\windows\\np.dll", false},
           {"\\\\server\\share\\np.dll", false},
           {"C:\\np.dll", false},
           {"C:np.dll", false},
           {"np.dll:stream", false},
           // Characters Windows refuses in file names; "*" and "?" would make
           // a presence test match any file of the pattern.
           {"*.ini", false},
           {"np?.dll", false},
           {"sub/<np>.dll", false},
           {"a|b.dll", false},
           {"\"np\".dll", false},
           {"np.dll*", false},
       })
    EXPECT_EQ(isSafeEntryPath(c.path), c.safe) << c.path;
}

// Windows stores "install.js." as "install.js" and opens a device for "CON" or
// "lpt1.txt": such names would slip past the rules on ".js" files and the
// removal list, or write somewhere else than a file.
TEST(EntrySafety, RefusesNamesThatWindowsStoresAsAnotherName) {
  struct Case {
    const char* path;
    bool safe;
  };
  for (const Case& c : std::vector<Case>{
           {"install.js.", false},
           {"x.js ", false},
           {"evil.dll.", false},
           {"sub./np.dll", false},
           {"sub /np.dll", false},
           {"np.dll..", false},
           {"np.dll. .", false},
           {". np.dll", true}, // leading dots and blanks are kept
           {".np", true},
           {"./np.dll", true}, // the folder itself
           {"CON", false},
           {"con", false},
           {"sub/Con.txt", false},
           {"PRN.dll", false},
           {"aux.tar.gz", false},
           {"NUL", false},
           {"nul .txt", false},
           {"COM1", false},
           {"com9.dll", false},
           {"LPT1", false},
           {"sub\\lpt9.x/np.dll", false},
           {"COM0", false},
           {"COM\xB9", false},
           {"console.dll", true},
           {"COM10", true},
           {"LPT", true},
           {"nul1.dll", true},
           {"xcon.dll", true},
           {".con", true},
       })
    EXPECT_EQ(isSafeEntryPath(c.path), c.safe) << c.path;
}

TEST(EntrySafety, RefusesControlCharactersThatCutOrSplitTheName) {
  // A NUL ends the name at the system's file interface ("..\0x" is ".."
  // there); a line feed splits the removal list into further names.
  using namespace std::string_literals;
  struct Case {
    std::string path;
    bool safe;
  };
  for (const Case& c : std::vector<Case>{
           {"..\0x"s, false},
           {"sub/..\0/np.dll"s, false},
           {"np.dll\0"s, false},
           {"x\n..\\evil.dll", false},
           {"x\r\n..", false},
           {"a\tb.dll", false},
           {"\x1f.dll", false},
           {"\x7f.dll", true},
           {"\x95\x5c.dll", true}, // a double-byte character, not a control character
           {"caf\xe9.dll", true},
       })
    EXPECT_EQ(isSafeEntryPath(c.path), c.safe) << c.path;
}

} // namespace
