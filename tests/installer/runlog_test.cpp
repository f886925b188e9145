// The log of /LOG=path: made new and never through a link, one CR LF line at
// a time; the log's reporter keeps errors and notes and shows only errors.
#include "installer/runlog.h"

#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using zipkit::readFile;
using zipkit::ScratchDir;
using zipkit::writeFile;

struct Shown final : tReporter {
  void error(const std::string& text) override { errors.push_back(text); }
  void note(const std::string& text) override { notes.push_back(text); }
  std::vector<std::string> errors, notes;
};

TEST(RunLog, IsCreatedNewAndHoldsItsLinesAndWhatTheReporterKeeps) {
  ScratchDir dir;
  const std::string path = dir / "setup.log";
  Shown window;
  {
    tRunLog log;
    ASSERT_TRUE(log.create(path));
    log.line("first");
    tLogReporter reporter(log, &window);
    reporter.error("CRC error trying to extract a.drv");
    reporter.note("written C:\\p\\a.drv");
  }
  EXPECT_EQ(readFile(path),
            "first\r\n  error: CRC error trying to extract a.drv\r\n  written C:\\p\\a.drv\r\n");
  // Only the error reaches the window: notes are the log's alone.
  EXPECT_EQ(window.errors, std::vector<std::string>{"CRC error trying to extract a.drv"});
  EXPECT_TRUE(window.notes.empty());
}

TEST(RunLog, RefusesANameThatIsTakenAndNeverWritesThroughALink) {
  ScratchDir dir;
  ASSERT_TRUE(writeFile(dir / "old.log", "kept"));
  ASSERT_TRUE(writeFile(dir / "target.txt", "kept"));
  std::vector<std::string> names = {"old.log",
                                    "nofolder" + std::string(1, ScratchDir::separator) + "x.log"};
  // Links where the system makes them (Wine does not).
  std::error_code failed;
  std::filesystem::create_symlink(ScratchDir::fsPath(dir / "target.txt"),
                                  ScratchDir::fsPath(dir / "link.log"), failed);
  if (!failed) names.push_back("link.log");
  std::filesystem::create_symlink(ScratchDir::fsPath(dir / "nowhere.txt"),
                                  ScratchDir::fsPath(dir / "dangling.log"), failed);
  if (!failed) names.push_back("dangling.log");
  for (const std::string& name : names) {
    tRunLog log;
    EXPECT_FALSE(log.create(dir / name)) << name;
    EXPECT_FALSE(log.isOpen()) << name;
    log.line("dropped"); // a log that is not open keeps nothing, and that is no error
  }
  EXPECT_EQ(readFile(dir / "old.log"), "kept");
  EXPECT_EQ(readFile(dir / "target.txt"), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.txt"));
}

TEST(RunLog, NamesBrowsersWhatTheyHoldAndTheEnd) {
  tSessionBrowser fox;
  fox.name = "Mozilla Firefox 1.5.0.1";
  fox.program = "C:\\Firefox\\firefox.exe";
  fox.pluginDir = "C:\\Firefox\\plugins";
  EXPECT_EQ(browserLogLine(fox), "  Mozilla Firefox 1.5.0.1: program C:\\Firefox\\firefox.exe, "
                                 "plug-in folder C:\\Firefox\\plugins");
  struct Row {
    tInstalledState state;
    const char* line;
  };
  for (const Row& r :
       {Row{tInstalledState::missing, "  Mozilla Firefox 1.5.0.1: not installed"},
        Row{tInstalledState::outdated, "  Mozilla Firefox 1.5.0.1: older or unknown version"},
        Row{tInstalledState::upToDate, "  Mozilla Firefox 1.5.0.1: up to date"}}) {
    fox.installed = r.state;
    EXPECT_EQ(heldLogLine(fox), r.line);
  }
  EXPECT_EQ(exitCodeLogLine(tExitCode::errors), "Exit code: 5");
}

} // namespace
