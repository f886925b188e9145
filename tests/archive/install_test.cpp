// installToDir, installEntry, makePath and listRootFiles over archives opened
// by openArchive: what lands where, what is skipped, the message of each
// failure (to the reporter named, else in a box) and the stop of the walk. Host only: the boxes are
// read back from the host's stand-in (the Windows tests install successfully, without boxes).
#ifndef _WIN32
#include "archive/install.h"
#include "archive/selfarchive.h"
#include "tests/archive/zipkit.h"
#include "util/platform.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace zipkit;
using Names = std::vector<std::string>;

const std::string program(4000, 'M');

std::vector<Entry> typicalPayload() {
  return {deflatedEntry("vorlixa.drv", "driver one"),
          deflatedEntry("vorlixa.ini", "[driver]\n"),
          storedEntry("vorlixa.xpt", "type library"),
          deflatedEntry("install.js", "initInstall();"),
          deflatedEntry("install.rdf", "<RDF/>"),
          folderEntry("plugins/"),
          deflatedEntry("plugins/npvorlixa.dll", "MZ plug-in")};
}

class Install : public ::testing::Test {
protected:
  void SetUp() override { takeShownBoxes(); }
  void TearDown() override { setMessageHook(nullptr); }
  // Writes and opens the archive; the catalog is then ready for the walks.
  void open(const std::vector<Entry>& entries, Layout* layout = nullptr) {
    ASSERT_TRUE(writeFile(archivePath, buildZip(entries, "", program, layout)));
    ASSERT_TRUE(openArchive(archivePath, archive));
    ASSERT_EQ(takeShownBoxes(), Names{});
  }
  // The archive as opened, with another catalog (damaged, say).
  void setCatalog(std::string catalog) {
    archive = tArchive(archive.path(), archive.file(), archive.comment(), std::move(catalog),
                       archive.base());
  }

  ScratchDir home;
  ScratchDir plugins;
  std::string archivePath = home / "setup.exe";
  tArchive archive;
};

// Keeps what a walk reports instead of showing it.
struct Recorder final : tReporter {
  void error(const std::string& text) override { errors.push_back(text); }
  Names errors;
};

TEST_F(Install, TypicalPayloadInstallsTheDriversAndThePlugIn) {
  open(typicalPayload());
  EXPECT_EQ(installToDir(archive, plugins.path()), plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(plugins.contents(),
            (Names{"npvorlixa.dll", "vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"}));
  EXPECT_EQ(readFile(plugins / "npvorlixa.dll"), "MZ plug-in");
  EXPECT_EQ(readFile(plugins / "vorlixa.xpt"), "type library");
  // Exactly the root files it wrote: their presence means installed.
  EXPECT_EQ(listRootFiles(archive), (Names{"vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"}));
}

TEST_F(Install, TrailingSeparatorAndBackslashesGiveTheSameTargets) {
  open(typicalPayload());
  for (const std::string& dir : {plugins.path() + "/", plugins.path() + "\\"}) {
    std::filesystem::remove_all(plugins.path());
    std::filesystem::create_directory(plugins.path());
    EXPECT_EQ(installToDir(archive, dir), plugins.path()) << dir;
    EXPECT_EQ(plugins.contents().size(), 4u) << dir;
  }
  std::string backslashed = plugins.path();
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  EXPECT_EQ(installToDir(archive, backslashed + "\\"), plugins.path()); // "\" turned into "/"
}

TEST_F(Install, DeeperEntriesLoseOnlyTheirFirstFolderAndGetTheirFolders) {
  open({deflatedEntry("plugins/sub/deeper/np.dat", "deep"), deflatedEntry("other/x.dat", "x")});
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(plugins.contents(), (Names{"sub", "sub/deeper", "sub/deeper/np.dat", "x.dat"}));
  EXPECT_EQ(readFile(plugins / "sub/deeper/np.dat"), "deep");
}

TEST_F(Install, SkippedEntriesAreNeverWritten) {
  open({deflatedEntry("plugins/helper.JS", "js"), deflatedEntry("META-INF/zigbert.sf", "sig"),
        deflatedEntry("chrome.rdf", "rdf"), deflatedEntry("plugins/np.dll", "dll")});
  installToDir(archive, plugins.path());
  EXPECT_EQ(plugins.contents(), Names{"np.dll"});
  EXPECT_EQ(listRootFiles(archive), (Names{})); // nothing at the root is written
}

TEST_F(Install, AnExistingFileIsOverwritten) {
  open(typicalPayload());
  ASSERT_TRUE(writeFile(plugins / "npvorlixa.dll", "an older plug-in, longer than the new"));
  installToDir(archive, plugins.path());
  EXPECT_EQ(readFile(plugins / "npvorlixa.dll"), "MZ plug-in");
}

// One failing entry after a good one: the message names the entry without its
// first folder, the walk stops there, and the entries before stay installed.
struct Failure {
  const char* what;
  std::function<void(std::string& bytes, size_t header)> damage;
  std::string message;
};

TEST_F(Install, EachFailureShowsItsMessageAndStopsTheWalk) {
  const std::string n = "sub/np.dll";
  const std::string data = noise(5000);
  std::vector<Failure> failures = {
      {"CRC", [](std::string& b, size_t h) { b[h + localCrc] ^= 1; },
       "CRC error trying to extract " + n},
      {"read", [](std::string& b, size_t h) { set32(b, h + localCompressedSize, 0x7FFFFFFF); },
       "Disk read error trying to extract " + n},
      {"bad data", [](std::string& b, size_t h) { b[h] = 'X'; },
       "Corrupted table when trying to extract " + n},
      {"method", [](std::string& b, size_t h) { set16(b, h + localMethod, 9); },
       "Fatal error #6 trying to extract " + n},
      {"encrypted", [](std::string& b, size_t h) { set16(b, h + localFlags, 1); },
       "Fatal error #7 trying to extract " + n},
  };
  for (const Failure& f : failures) {
    Layout layout;
    // The read case needs a stored entry whose CRC is that of no output.
    bool stored = std::string(f.what) == "read";
    Entry bad = stored ? storedEntry("plugins/" + n, "") : deflatedEntry("plugins/" + n, data);
    std::vector<Entry> entries = {deflatedEntry("first.dat", "1"), bad,
                                  deflatedEntry("last.dat", "3")};
    std::string bytes = buildZip(entries, "", program, &layout);
    f.damage(bytes, layout.localHeaders[1]);
    ASSERT_TRUE(writeFile(archivePath, bytes));
    ASSERT_TRUE(openArchive(archivePath, archive));
    ASSERT_EQ(takeShownBoxes(), Names{}) << f.what;
    std::filesystem::remove_all(plugins.path());
    std::filesystem::create_directory(plugins.path());

    bool failed = false;
    Recorder reporter;
    installToDir(archive, plugins.path(), reporter, &failed);
    EXPECT_EQ(reporter.errors, Names{f.message}) << f.what;
    EXPECT_EQ(takeShownBoxes(), Names{}) << "the reporter alone is told";
    EXPECT_TRUE(failed) << f.what;
    EXPECT_EQ(plugins.contents(), (Names{"first.dat", "sub"})) << f.what;
  }
}

TEST_F(Install, WriteErrorNamesTheDiskAndLeavesTheReadOnlyFile) {
  open(typicalPayload());
  ASSERT_TRUE(writeFile(plugins / "npvorlixa.dll", "locked"));
  std::filesystem::permissions(plugins / "npvorlixa.dll", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(),
            Names{"Disk write error trying to extract npvorlixa.dll (disk full?)"});
  EXPECT_EQ(readFile(plugins / "npvorlixa.dll"), "locked");
  // The drivers before it are in; nothing of the attempt is left beside it.
  EXPECT_EQ(plugins.contents(),
            (Names{"npvorlixa.dll", "vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"}));
}

TEST_F(Install, AFullDiskNamesTheDisk) {
  SmallDisk disk(64);
  if (!disk.mounted()) GTEST_SKIP() << disk.why();
  open({deflatedEntry("small.dat", "fits"), deflatedEntry("plugins/np.dll", noise(300000))});
  installToDir(archive, disk.dir().path());
  EXPECT_EQ(takeShownBoxes(), Names{"Disk write error trying to extract np.dll (disk full?)"});
  EXPECT_EQ(disk.dir().contents(), Names{"small.dat"});
}

TEST_F(Install, UnsafeNamesAreRefusedBeforeAnyFolderIsMade) {
  using namespace std::string_literals;
  struct Case {
    std::string name;
    std::string shown; // without the first folder
  };
  for (const Case& c : std::vector<Case>{
           {"plugins/../../evil.dll", "../../evil.dll"},
           {"plugins/sub/../../evil.dll", "sub/../../evil.dll"},
           {"plugins/sub\\..\\..\\evil.dll", "sub\\..\\..\\evil.dll"},
           {"plugins//etc/evil.dll", "/etc/evil.dll"},
           {"plugins/\\evil.dll", "\\evil.dll"},
           {"plugins/C:\\evil.dll", "C:\\evil.dll"},
           {"x/evil.dll:stream", "evil.dll:stream"},
           {"..", ".."},
           {"", ""},
           // The system's file interface ends the name at the NUL: "..".
           {"plugins/..\0/evil.dll"s, "..\0/evil.dll"s},
           {"plugins/sub\n..\\evil.dll", "sub\n..\\evil.dll"},
           // Windows would store these as "install.js", "x.js", "evil.dll", or
           // open a device.
           {"install.js.", "install.js."},
           {"plugins/x.js ", "x.js "},
           {"plugins/evil.dll.", "evil.dll."},
           {"plugins/CON", "CON"},
           {"plugins/sub/lpt1.dll", "sub/lpt1.dll"},
           // Characters Windows refuses; "*" would make a pattern of the name.
           {"plugins/*.ini", "*.ini"},
           {"plugins/a<b>.dll", "a<b>.dll"},
       }) {
    open({deflatedEntry("first.dat", "1"), deflatedEntry(c.name, "evil"),
          deflatedEntry("last.dat", "3")});
    std::filesystem::remove_all(plugins.path());
    std::filesystem::create_directory(plugins.path());
    bool failed = false;
    installToDir(archive, plugins.path(), &failed);
    EXPECT_EQ(takeShownBoxes(), Names{"Unsafe file name trying to extract " + c.shown}) << c.name;
    EXPECT_TRUE(failed) << c.name;
    EXPECT_EQ(plugins.contents(), Names{"first.dat"}) << c.name;
    EXPECT_EQ(home.contents(), Names{"setup.exe"}) << c.name;
  }
}

TEST_F(Install, ADotDotFirstFolderIsRemovedLikeAnyOther) {
  open({deflatedEntry("../np.dll", "np")});
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(plugins.contents(), Names{"np.dll"});
}

TEST_F(Install, RootFilesAreExactlyTheRootNamesThatAnInstallationWrites) {
  open({deflatedEntry("a.dat", "a"), deflatedEntry("Install.JS", "js"),
        deflatedEntry("other.js", "js"), deflatedEntry("..", "x"), deflatedEntry("c:boot.ini", "x"),
        deflatedEntry("\\evil.dll", "x"), deflatedEntry("..\\evil.dll", "x"), folderEntry("f/"),
        deflatedEntry("f/inner.dat", "i"), deflatedEntry("b.rdf", "b"),
        // A line feed would make the removal list name "..\evil.dll" on its own
        // line; a NUL would end the name at "..".
        deflatedEntry("x\n..\\evil.dll", "x"), deflatedEntry(std::string("..\0x", 4), "x"),
        // Names Windows stores otherwise: "install.js" would be deleted.
        deflatedEntry("install.js.", "x"), deflatedEntry("a.dat ", "x"), deflatedEntry("aux", "x"),
        // Never written either: a removal would delete the user's own file of
        // that name, and a name that is never written means never installed.
        deflatedEntry("install.rdf", "r"), deflatedEntry("META-INF.dat", "m"),
        deflatedEntry("OTHER.JS", "j"), deflatedEntry("*.ini", "w"), deflatedEntry("z?.dat", "w"),
        deflatedEntry("z.dat", "z")});
  EXPECT_EQ(listRootFiles(archive), (Names{"a.dat", "z.dat"}));
}

TEST_F(Install, RootFilesStopAtARecordCutByTheCatalogsEnd) {
  open({deflatedEntry("a.dat", "a"), deflatedEntry("b.dat", "b")});
  const std::string whole = archive.catalog();
  setCatalog(whole.substr(0, whole.size() - 1)); // the same damage stops a walk
  EXPECT_EQ(listRootFiles(archive), (Names{"a.dat"}));
  EXPECT_TRUE(
      walkCatalog(archive, [](const std::string&, int32_t, uint32_t, uint32_t) { return false; }));
  EXPECT_EQ(takeShownBoxes(), Names{"File appears to be corrupt - header missing"});
  bool failed = false;
  installToDir(archive, plugins.path(), &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(takeShownBoxes(), Names{"File appears to be corrupt - header missing"});
  setCatalog(whole.substr(0, whole.size() - 2)); // the second name runs past the end
  EXPECT_EQ(listRootFiles(archive), (Names{"a.dat"}));
  setCatalog(whole.substr(0, 46 + 5 + 10)); // the second record's fixed part is cut
  EXPECT_EQ(listRootFiles(archive), (Names{"a.dat"}));
  setCatalog("");
  EXPECT_EQ(listRootFiles(archive), (Names{}));
}

TEST_F(Install, CancelOrCloseDuringTheInstallationLetsItComplete) {
  // The close box during the second entry: a directory once begun is
  // completed, so no browser is left with half a plug-in. (A cancel reaches
  // the run only, which looks at it between browsers: tests/installer.)
  for (bool closed : {false, true}) {
    open(typicalPayload());
    std::filesystem::remove_all(plugins.path());
    std::filesystem::create_directory(plugins.path());
    int calls = 0;
    setMessageHook([&] {
      if (++calls == 3) setWindowClosed(closed);
    });
    bool failed = true;
    installToDir(archive, plugins.path(), &failed);
    setMessageHook(nullptr);
    setWindowClosed(false);
    EXPECT_GT(calls, 3) << closed;
    EXPECT_FALSE(failed) << closed;
    EXPECT_EQ(plugins.contents(),
              (Names{"npvorlixa.dll", "vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"}))
        << closed;
    EXPECT_EQ(takeShownBoxes(), Names{}) << closed;
  }
}

TEST_F(Install, AHandlerThatStartsAnotherInstallationIsRefused) {
  open(typicalPayload());
  ScratchDir other;
  int nested = 0;
  setMessageHook([&] {
    ++nested;
    EXPECT_EQ(installToDir(archive, other.path()), "");
  });
  EXPECT_EQ(installToDir(archive, plugins.path()), plugins.path());
  setMessageHook(nullptr);
  EXPECT_GT(nested, 0);
  EXPECT_EQ(other.contents(), Names{});
  EXPECT_EQ(plugins.contents(),
            (Names{"npvorlixa.dll", "vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"}));
  EXPECT_EQ(readFile(plugins / "npvorlixa.dll"), "MZ plug-in");
  EXPECT_EQ(takeShownBoxes(), Names{});
}

TEST_F(Install, AHandlerThatExtractsDuringAnInstallationIsRefused) {
  Layout layout;
  open(typicalPayload(), &layout);
  std::vector<int> results;
  setMessageHook([&] {
    results.push_back(extractEntry(archivePath, home / "probe.dll",
                                   static_cast<int32_t>(layout.localHeaders[6])));
  });
  installToDir(archive, plugins.path());
  setMessageHook(nullptr);
  ASSERT_FALSE(results.empty());
  for (int r : results)
    EXPECT_EQ(r, zipReadError);
  EXPECT_EQ(home.contents(), Names{"setup.exe"});
  EXPECT_EQ(plugins.contents().size(), 4u);
}

TEST_F(Install, TheCheckedFileIsInstalledWhateverTakesItsNameLater) {
  // The replacement holds other data at the very same positions: only the
  // file held since the check tells them apart. (Windows refuses the rename
  // while the archive is held; the end-to-end tests show that.)
  auto payload = [](char fill) {
    return std::vector<Entry>{storedEntry("vorlixa.drv", std::string(300, fill)),
                              storedEntry("plugins/np.dll", std::string(200, fill))};
  };
  open(payload('A'));
  std::filesystem::rename(archivePath, archivePath + ".old");
  ASSERT_TRUE(writeFile(archivePath, buildZip(payload('B'), "", program)));
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(plugins.contents(), (Names{"np.dll", "vorlixa.drv"}));
  EXPECT_EQ(readFile(plugins / "vorlixa.drv"), std::string(300, 'A'));
}

TEST(MakePath, MakesEachMissingFolderAndTurnsSeparators) {
  ScratchDir dir;
  std::string base = dir.path();
  EXPECT_EQ(
      makePath(base + "/a/b/file.dat"), "\\" + [&] {
        std::string s = base.substr(1);
        for (char& c : s)
          if (c == '/') c = '\\';
        return s;
      }() + "\\a\\b\\file.dat");
  EXPECT_EQ(dir.contents(), (Names{"a", "a/b"}));
  // A second call finds them and changes nothing.
  makePath(base + "/a/b/other.dat");
  EXPECT_EQ(dir.contents(), (Names{"a", "a/b"}));
  // With known folders, those found or made are not looked for again: one
  // removed behind its back is not made anew, one never seen is.
  std::set<std::string> known;
  makePath(base + "/a/b/c/x.dat", &known);
  std::filesystem::remove(ScratchDir::fsPath(dir / "a/b/c"));
  makePath(base + "/a/b/c/y.dat", &known);
  makePath(base + "/a/d/z.dat", &known);
  EXPECT_EQ(dir.contents(), (Names{"a", "a/b", "a/d"}));
}

TEST(MakePath, KeepsLeadingSeparatorsAndMakesNoDriveServerOrShare) {
  // Relative paths would be made in the working directory: run in a scratch one.
  ScratchDir dir;
  std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(makePath("C:/Program Files/np.dll"), "C:\\Program Files\\np.dll");
  EXPECT_EQ(makePath("//server/share/plugins/np.dll"), "\\\\server\\share\\plugins\\np.dll");
  EXPECT_EQ(makePath("np.dll"), "\\np.dll");
  std::filesystem::current_path(was);
  // Neither the drive nor the server and share were made, and nothing below
  // them could be.
  EXPECT_EQ(dir.contents(), Names{});
}

// Run as root, the host stands in for an elevated installer: root's links
// are the system's, a link another user owns is a standard user's.
TEST_F(Install, NothingIsMadeOrWrittenThroughALinkThatAUserOwns) {
  if (geteuid() != 0) GTEST_SKIP() << "links are only refused in a run as root";
  open(typicalPayload());
  struct Case {
    const char* what;
    uid_t owner;
    bool followed;
  };
  for (const Case& c : {Case{"root's link", 0, true}, Case{"a user's link", 1000, false}}) {
    ScratchDir elsewhere; // another program's folder, where the link leads
    std::string link = home / "Plugins";
    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink(elsewhere.path(), link);
    ASSERT_EQ(lchown(link.c_str(), c.owner, c.owner), 0);
    Recorder recorder;
    installToDir(archive, link + "/np", recorder);
    Names installed = {"np", "np/npvorlixa.dll", "np/vorlixa.drv", "np/vorlixa.ini",
                       "np/vorlixa.xpt"};
    EXPECT_EQ(elsewhere.contents(), c.followed ? installed : Names{}) << c.what;
    EXPECT_EQ(recorder.errors,
              c.followed ? Names{}
                         : Names{"Disk write error trying to extract vorlixa.drv (disk full?)"})
        << c.what;
  }
}

} // namespace
#endif
