// The installer's decisions that need no window: the comment's settings,
// which entry is the plug-in library, how versions compare, what a run does
// with each item, and the files a removal deletes.
#include "installer/rules.h"

#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <vector>

namespace {

TEST(ReadComment, TakesTheLastAgentAndUrlLineByTheirKeys) {
  struct Case {
    std::string comment, agent, url;
  };
  std::string long2049(2049, 'u');
  for (const Case& c : std::vector<Case>{
           {"agent: Mozilla/4.79 [en]\nurl: http://x/y\n", "mozilla/4.79 [en]", "http://x/y"},
           {"Agent: A\r\nURL: Http://X\r\n", "a", "Http://X"},            // keys in any case
           {"agent:B\nurl:http://x\n", "", ""},                           // no blank: no key
           {"agent:  two  blanks \nurl:\n", " two  blanks ", ""},         // nothing trimmed
           {"url: first\nurl: second\nagent: x\nagent:\n", "", "second"}, // the last line wins
           {"comment: agent: x\n", "", ""},
           {"url: " + long2049, "", long2049.substr(0, 2048)},
           {"", "", ""}}) {
    tCommentSettings s = readComment(c.comment);
    EXPECT_EQ(s.agent, c.agent) << c.comment;
    EXPECT_EQ(s.startUrl, c.url) << c.comment;
  }
}

TEST(CompareVersions, ComparesFourNumericParts) {
  struct Case {
    const char *a, *b;
    int result;
  };
  for (const Case& c : std::vector<Case>{{"1.2", "1.2.0.0", 0},
                                         {"1.10", "1.9", 1},
                                         {"1.9", "1.10", -1},
                                         {"2.0.0.0.7", "2.0.0.0.1", 0}, // a fifth part is ignored
                                         {"", "0.0.0.0", 0},
                                         {"???", "0", 0},
                                         {"1.2.0.5", "1.2.0.4", 1},
                                         {"1.1.0.0", "1.2.0.5", -1},
                                         {" 3 .1", "3.1", 0}, // parts are trimmed
                                         {"7b", "7", 0},      // digits before the first other
                                         {"$10", "16", 0},
                                         {"-1", "0", -1}}) {
    EXPECT_EQ(compareVersions(c.a, c.b), c.result) << c.a << " vs " << c.b;
  }
}

TEST(IsKnownVersion, NoVersionAndAnUnreadableOneAreUnknown) {
  for (const char* known : {"1.2.0.5", "0.0.0.0", "1", "??"})
    EXPECT_TRUE(isKnownVersion(known)) << known;
  for (const char* unknown : {"", "???"})
    EXPECT_FALSE(isKnownVersion(unknown)) << unknown;
}

TEST(IsPluginLibrary, NpAndDllInAnyCase) {
  for (const char* yes : {"npvorlixa.dll", "NPX.DLL", "np.dll", "np/x.dll", "npa.b.dll"})
    EXPECT_TRUE(isPluginLibrary(yes)) << yes;
  for (const char* no : {"vorlixa.dll", "npvorlixa.xpt", "b/npx.dll", "npx.dll\\x", "np", ""})
    EXPECT_FALSE(isPluginLibrary(no)) << no;
}

TEST(RunAction, FollowsTheTableOfOutcomes) {
  struct Case {
    uint32_t initial, check;
    tRunAction action;
  };
  for (const Case& c : std::vector<Case>{{0, 0, tRunAction::none},
                                         {0, 1, tRunAction::install},
                                         {2, 2, tRunAction::keep},
                                         {2, 0, tRunAction::remove},
                                         {2, 1, tRunAction::install},
                                         {0, 2, tRunAction::keep}}) {
    EXPECT_EQ(runActionFor(c.initial, c.check), c.action) << c.initial << " " << c.check;
  }
}

// Keeps what a removal notes.
struct Notes final : tReporter {
  void error(const std::string& text) override { lines.push_back("error " + text); }
  void note(const std::string& text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

TEST(RemoveFiles, DeletesExactlyTheNamesListed) {
  zipkit::ScratchDir dir;
  for (const char* name : {"a.drv", "b.ini", "install.rdf", "keep.dll"})
    ASSERT_TRUE(zipkit::writeFile(dir / name, name));
  Notes notes;
  removeFiles(dir.path(), {"a.drv", "b.ini", "install.rdf", "missing.txt"}, notes);
  EXPECT_EQ(dir.contents(), std::vector<std::string>{"keep.dll"});
  // Each file's fate, for the log; a missing one is told apart.
  const std::string d = dir.path() + "\\";
  EXPECT_EQ(notes.lines,
            (std::vector<std::string>{"removed " + d + "a.drv", "removed " + d + "b.ini",
                                      "removed " + d + "install.rdf",
                                      "not removed (absent or in use) " + d + "missing.txt"}));
  removeFiles(dir.path(), {}, notes);
  EXPECT_EQ(dir.contents(), std::vector<std::string>{"keep.dll"});
  EXPECT_EQ(notes.lines.size(), 4u);
}

#ifndef _WIN32
// Run as root, the host stands in for an elevated installer: a folder
// reached through another user's link is left alone.
TEST(RemoveFiles, DeletesNothingThroughALinkThatAUserOwns) {
  if (geteuid() != 0) GTEST_SKIP() << "links are only refused in a run as root";
  zipkit::ScratchDir home, other;
  ASSERT_TRUE(zipkit::writeFile(other / "a.drv", "another program's"));
  std::string link = home / "Plugins";
  std::filesystem::create_directory_symlink(other.path(), link);
  ASSERT_EQ(lchown(link.c_str(), 1000, 1000), 0);
  Notes notes;
  removeFiles(link, {"a.drv"}, notes);
  EXPECT_EQ(other.contents(), std::vector<std::string>{"a.drv"});
  ASSERT_EQ(lchown(link.c_str(), 0, 0), 0); // root's own link is followed
  removeFiles(link, {"a.drv"}, notes);
  EXPECT_EQ(other.contents(), std::vector<std::string>{});
}
#endif

} // namespace
