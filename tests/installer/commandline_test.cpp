// The switches setup.exe is deployed with, and what stays the archive path.
#include "installer/commandline.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ParseCommandLine, TakesSwitchesInAnyCaseAndTheFirstOtherArgumentAsTheArchive) {
  // Files that exist on the imagined computer: a path that starts with "/".
  auto exists = [](const std::string& path) { return path == "/mnt/setup.zip"; };
  struct Case {
    std::vector<std::string> args;
    bool unattended, help;
    std::string log, unknown;
    bool hasArchive;
    std::string archive;
  };
  for (const Case& c :
       std::vector<Case>{{{}, false, false, "", "", false, ""},
                         {{"/S"}, true, false, "", "", false, ""},
                         {{"/s", "/Log=C:\\a b.txt"}, true, false, "C:\\a b.txt", "", false, ""},
                         {{"/?"}, false, true, "", "", false, ""},
                         {{"/LOG="}, false, false, "", "/LOG=", false, ""}, // a log needs a path
                         {{"/NOSUCH", "/other"}, false, false, "", "/NOSUCH", false, ""},
                         {{"/mnt/setup.zip", "/S"}, true, false, "", "", true, "/mnt/setup.zip"},
                         {{"/mnt/missing.zip"}, false, false, "", "/mnt/missing.zip", false, ""},
                         {{"a.zip", "b.zip", "/S"}, true, false, "", "", true, "a.zip"},
                         {{"/SILENT"}, false, false, "", "/SILENT", false, ""}}) {
    tCommandLine line = parseCommandLine(c.args, exists);
    std::string what = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(line.unattended, c.unattended) << what;
    EXPECT_EQ(line.help, c.help) << what;
    EXPECT_EQ(line.logPath, c.log) << what;
    EXPECT_EQ(line.unknownSwitch, c.unknown) << what;
    EXPECT_EQ(line.hasArchive, c.hasArchive) << what;
    EXPECT_EQ(line.archivePath, c.archive) << what;
  }
}

TEST(ExitCode, SaysHowTheRunEnded) {
  struct Row {
    tOutcome outcome;
    int code;
  };
  // 0 done, 1 cancelled by the user, 5 finished with errors.
  for (const Row& r :
       {Row{tOutcome::installed, 0}, Row{tOutcome::removed, 0}, Row{tOutcome::nothingToChange, 0},
        Row{tOutcome::cancelled, 1}, Row{tOutcome::finishedWithErrors, 5}})
    EXPECT_EQ(static_cast<int>(exitCodeFor(r.outcome)), r.code) << r.code;
  EXPECT_EQ(static_cast<int>(tExitCode::unknownSwitch), 2);
  EXPECT_EQ(static_cast<int>(tExitCode::noBrowser), 3);
  EXPECT_EQ(static_cast<int>(tExitCode::badArchive), 4);
}

TEST(SetAllChoices, InstallEverythingNotUpToDateAndRemoveNothing) {
  tSession session;
  // The last one is the agent's, ticked before "Set All".
  for (tInstalledState state : {tInstalledState::missing, tInstalledState::outdated,
                                tInstalledState::upToDate, tInstalledState::missing}) {
    tSessionBrowser browser;
    browser.installed = state;
    session.browsers.push_back(browser);
  }
  session.start.browser = 3;
  tSetAllChoices choices(session);
  const std::vector<tRunAction> expected = {tRunAction::install, tRunAction::install,
                                            tRunAction::keep, tRunAction::install};
  for (size_t k = 0; k < expected.size(); ++k) {
    tChoice c = choices.choiceFor(k);
    EXPECT_EQ(runActionFor(c.initialState, c.checkState), expected[k]) << k;
  }
}

} // namespace
