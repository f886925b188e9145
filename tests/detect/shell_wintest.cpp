// Opening the start address against shell associations made in the prefix:
// the command the "http" and ".html" associations give, and the program it
// starts, seen from the fake browser's own log (exact command line, show
// mode). Wine's own associations are taken away for each case and put back.
#include "detect/shell.h"
#include "tests/detect/association.h"
#include "tests/detect/machine.h"
#include "tests/driver/fakebrowsers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace uidriver;
using testregistry::ScopedAssociations;

const std::string url = "http://www.example.com/vorlixa/installed.html";

// Two fake browsers: one in a folder with a blank, and one whose path is the
// first part of that folder's, up to the blank, without its ".exe".
struct Browsers {
  FakeBrowserFolder folder{"shell"};
  std::string quoted = folder.place(machine::fixturePath("ff15"), "Fake Browser\\browser.exe");
  std::string cut = folder.place(machine::fixturePath("opera850"), "Fake.exe");

  std::string expand(const std::string& text) const {
    return machine::replaceAll(text, "%ROOT%", folder.root());
  }
};

struct Association {
  std::string path; // below HKEY_CLASSES_ROOT
  std::string text; // its default value
};

struct Case {
  std::string name;
  std::vector<Association> associations;
  std::string command;         // what defaultBrowserCommand gives
  std::string starts;          // "quoted", "cut" or "" (nothing can start)
  std::string userChoice = {}; // the ProgId the user chose for "http"; empty: none
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const std::string html = "InstallerTests.html";
const std::string choice = "InstallerTests.Choice";
const Association htmlClass = {".html", html};
const Association htmlQuoted = {html + "\\shell\\open\\command",
                                "\"%ROOT%\\Fake Browser\\browser.exe\" -osint \"%1\""};
const std::string quotedWithUrl = "\"%ROOT%\\Fake Browser\\browser.exe\" " + url;

const std::vector<Case> cases = {
    {"HttpWithQuotedPercentOne",
     {{"http\\shell", "open"},
      {"http\\shell\\open\\command", "\"%ROOT%\\Fake Browser\\browser.exe\" -url \"%1\""}},
     "\"%ROOT%\\Fake Browser\\browser.exe\" -url \"" + url + "\"",
     "quoted"},
    {"HttpDefaultVerbIsNotOpen",
     {{"http\\shell", "browse"},
      {"http\\shell\\browse\\command", "%ROOT%\\Fake.exe %1 -new"},
      {"http\\shell\\open\\command", "\"%ROOT%\\Fake Browser\\browser.exe\" \"%1\""}},
     "%ROOT%\\Fake.exe " + url + " -new",
     "cut"},
    {"HttpWithoutPercentOneFallsBackToHtml",
     {{"http\\shell", "open"},
      {"http\\shell\\open\\command", "\"%ROOT%\\Fake.exe\" -nohome"},
      htmlClass,
      htmlQuoted},
     quotedWithUrl,
     "quoted"},
    {"HttpWithPercentOneFirstFallsBackToHtml",
     {{"http\\shell", "open"}, {"http\\shell\\open\\command", "%1"}, htmlClass, htmlQuoted},
     quotedWithUrl,
     "quoted"},
    // Wine's own layout: no default verb, so no verb at all.
    {"HttpWithoutDefaultVerbFallsBackToHtml",
     {{"http\\shell\\open\\command", "\"%ROOT%\\Fake.exe\" \"%1\""}, htmlClass, htmlQuoted},
     quotedWithUrl,
     "quoted"},
    {"UnquotedOpenCommandIsCutAtTheFirstBlank",
     {htmlClass, {html + "\\shell\\open\\command", "%ROOT%\\Fake Browser\\browser.exe -osint %1"}},
     "%ROOT%\\Fake " + url,
     "cut"},
    {"NoAssociationAtAll", {}, " " + url, ""},
    {"HtmlClassWithoutOpenCommand", {htmlClass, {html, "HTML Document"}}, " " + url, ""},
    // A class-less ".html" does not lead to HKEY_CLASSES_ROOT\shell.
    {"HtmlWithoutClass",
     {{".html\\OpenWithList", ""}, {"shell\\open\\command", "\"%ROOT%\\Fake.exe\""}},
     " " + url,
     ""},
    // --- The user's own choice of browser (Windows 8 and later) ---
    {"UserChoiceWithOpenCommandWins",
     {{"http\\shell", "open"},
      {"http\\shell\\open\\command", "%ROOT%\\Fake.exe %1"},
      {choice + "\\shell\\open\\command", "\"%ROOT%\\Fake Browser\\browser.exe\" -choice \"%1\""}},
     "\"%ROOT%\\Fake Browser\\browser.exe\" -choice \"" + url + "\"",
     "quoted",
     choice},
    {"UserChoiceWithoutOpenCommandTakesTheHttpAssociation",
     {{"http\\shell", "open"},
      {"http\\shell\\open\\command", "%ROOT%\\Fake.exe %1"},
      {choice, "Chosen Browser URL"},
      {choice + "\\shell\\print\\command", "\"%ROOT%\\Fake Browser\\browser.exe\" \"%1\""}},
     "%ROOT%\\Fake.exe " + url,
     "cut",
     choice},
    {"UserChoiceOfAMissingClassTakesTheHtmlRoute",
     {htmlClass, htmlQuoted},
     quotedWithUrl,
     "quoted",
     choice},
    {"UserChoiceWithoutPercentOneTakesTheHttpAssociation",
     {{"http\\shell", "open"},
      {"http\\shell\\open\\command", "%ROOT%\\Fake.exe %1"},
      {choice + "\\shell\\open\\command", "\"%ROOT%\\Fake Browser\\browser.exe\""}},
     "%ROOT%\\Fake.exe " + url,
     "cut",
     choice},
    // Wine's own layout: the choice names "http", whose open command serves
    // though "http" names no default verb.
    {"UserChoiceOfHttpWithoutDefaultVerb",
     {{"http\\shell\\open\\command", "\"%ROOT%\\Fake.exe\" \"%1\""}, htmlClass, htmlQuoted},
     "\"%ROOT%\\Fake.exe\" \"" + url + "\"",
     "cut",
     "http"},
};

class DefaultBrowser : public testing::TestWithParam<Case> {};

TEST_P(DefaultBrowser, CommandAndStartedProgram) {
  const Case& c = GetParam();
  Browsers browsers;
  ASSERT_FALSE(browsers.quoted.empty());
  ASSERT_FALSE(browsers.cut.empty());
  ASSERT_EQ(browsers.folder.root().find(' '), std::string::npos)
      << "the cut needs a blank-free root";
  ScopedAssociations associations({"http", ".html", html, "shell", choice});
  for (const Association& a : c.associations)
    ASSERT_TRUE(associations.setDefault(a.path, browsers.expand(a.text))) << a.path;
  associations.takeUserChoice("http");
  if (!c.userChoice.empty()) {
    ASSERT_TRUE(associations.setUserChoice("http", c.userChoice));
  }

  std::string command = browsers.expand(c.command);
  EXPECT_EQ(defaultBrowserCommand(url), command);

  // Wine runs every program elevated: only the shell may be the parent.
  FakeShell shell(machine::fixturePath("shell"));
  ASSERT_TRUE(shell.running());
  openUrlInDefaultBrowser(url);
  // A program it started exists once it has returned (the process is made
  // before the call comes back), and a fake browser runs until it is ended:
  // the count of those running from the folder is what it started.
  if (c.starts.empty()) {
    EXPECT_EQ(endFakeBrowsers(browsers.folder.root()), 0) << "nothing was started";
    EXPECT_FALSE(runProgram(command, showMaximized)) << "the command cannot start";
    return;
  }
  // One process is started: the one whose log shows exactly that command.
  std::string exe = c.starts == "quoted" ? browsers.quoted : browsers.cut;
  FakeBrowserLine start = waitForFakeBrowserLine(exe, 0, {"start"});
  EXPECT_EQ(start.field("cmdline"), command);
  EXPECT_EQ(start.field("show"), "3");
  EXPECT_EQ(endFakeBrowsers(browsers.folder.root()), 1) << "exactly one program was started";
}

INSTANTIATE_TEST_SUITE_P(Shell, DefaultBrowser, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(ScopedAssociations, PutBackExactlyWhatWasThere) {
  const std::string userChoice = ScopedAssociations::userChoicePath("http");
  std::vector<std::string> before;
  for (const char* key : {"Software\\Classes\\http", "Software\\Classes\\.html"})
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      before.push_back(testregistry::snapshot(root, key));
  before.push_back(testregistry::snapshot(HKEY_CURRENT_USER, userChoice));
  {
    ScopedAssociations associations({"http", ".html"});
    associations.takeUserChoice("http");
    EXPECT_EQ(testregistry::snapshot(HKEY_CURRENT_USER, userChoice), "(absent)");
    ASSERT_TRUE(associations.setUserChoice("http", "InstallerTests.Choice"));
    EXPECT_EQ(testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software\\Classes\\http"), "(absent)");
    ASSERT_TRUE(associations.setDefaultVerb("http", "open"));
    ASSERT_TRUE(associations.setVerbCommand("http", "open", "x.exe \"%1\""));
    ASSERT_TRUE(associations.setDefault(".html", "htmlfile"));
  }
  std::vector<std::string> after;
  for (const char* key : {"Software\\Classes\\http", "Software\\Classes\\.html"})
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      after.push_back(testregistry::snapshot(root, key));
  after.push_back(testregistry::snapshot(HKEY_CURRENT_USER, userChoice));
  EXPECT_EQ(after, before);
}

// runProgram returns while the started program runs on (it never ends by
// itself): a runProgram that waited would hang here.
TEST(RunProgram, StartsTheCommandLineWithTheShowModeAndDoesNotWait) {
  Browsers browsers;
  // Elevated, as Wine runs every program, and without a shell window to be
  // the parent: nothing is started, not even as the caller's own child.
  std::string first = "\"" + browsers.quoted + "\" -url " + url;
  EXPECT_FALSE(runProgram(first, showMaximized));
  EXPECT_EQ(endFakeBrowsers(browsers.folder.root()), 0) << "started without a shell";

  FakeShell shell(machine::fixturePath("shell"));
  ASSERT_TRUE(shell.running());
  struct Mode {
    int show;
    std::string zoomed;
  };
  for (const Mode& m : {Mode{showMaximized, "1"}, Mode{SW_SHOWNORMAL, "0"}}) {
    std::string cmd = "\"" + browsers.quoted + "\" -url " + url + " show" + std::to_string(m.show);
    ASSERT_TRUE(runProgram(cmd, m.show));

    FakeBrowserLine start = waitForFakeBrowserLine(browsers.quoted, 0, {"start"});
    EXPECT_EQ(start.field("cmdline"), cmd);
    EXPECT_EQ(start.field("show"), std::to_string(m.show));
    // The shell's child, with the shell's rights.
    EXPECT_EQ(start.field("ppid"), std::to_string(shell.id()));
    FakeBrowserLine shown = waitForFakeBrowserLine(browsers.quoted, start.pid, {"shown"});
    EXPECT_EQ(shown.field("zoomed"), m.zoomed) << "show mode " << m.show;
    endFakeBrowsers(browsers.folder.root());
    DeleteFileA((browsers.quoted + ".log").c_str());
  }
  EXPECT_FALSE(runProgram("", showMaximized));
  EXPECT_FALSE(runProgram(browsers.folder.root() + "\\missing.exe", showMaximized));
}

} // namespace
