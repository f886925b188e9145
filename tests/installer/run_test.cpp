// The run without a window: the choices come from a table, errors are kept,
// and a cancel is requested by the test. Each row says what each of three
// browsers held and what the user chose, and what the run must do: the
// outcome, what is started at the end, and the files left in each plug-in
// directory (an installation writes the payload's two files; a removal
// deletes the root file, the only name the removal list holds).
#include "installer/run.h"

#include "tests/archive/zipkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace {

using namespace zipkit;
using Names = std::vector<std::string>;

const Names installed = {"npvorlixa.dll", "vorlixa.drv"};
const Names removed = {"npvorlixa.dll"}; // only root files are removed

// The user's choices, read back as the run asks for them.
struct Choices final : tChoiceSource {
  tChoice choiceFor(size_t browser) override {
    asked.push_back(browser);
    if (onAsk) onAsk(browser);
    return items.at(browser);
  }
  std::vector<tChoice> items;
  std::function<void(size_t)> onAsk;
  std::vector<size_t> asked;
};

struct Recorder final : tReporter {
  void error(const std::string& text) override { errors.push_back(text); }
  void note(const std::string& text) override { notes.push_back(text); }
  Names errors, notes;
};

class Run : public ::testing::Test {
protected:
  // The archive (payload in a program's tail) and three browsers, each with
  // its own plug-in directory; a browser whose item starts greyed already
  // holds the payload.
  void start(const std::vector<tChoice>& items, std::optional<size_t> agent, bool damaged = false) {
    std::vector<Entry> entries = {deflatedEntry("vorlixa.drv", "driver"),
                                  deflatedEntry("plugins/npvorlixa.dll", "MZ plug-in")};
    Layout layout;
    std::string bytes = buildZip(entries, "url: http://example.com/\n", "MZ", &layout);
    if (damaged) bytes[layout.localHeaders[1] + localCrc] ^= 1; // the plug-in's CRC
    ASSERT_TRUE(writeFile(home / "setup.exe", bytes));
    tArchive archive;
    ASSERT_EQ(readArchive(home / "setup.exe", archive), "");
    for (size_t k = 0; k < dirs.size(); ++k) {
      session.browsers.push_back({{"Browser " + std::to_string(k), "C:\\b.exe", dirs[k].path()}});
      if (items[k].initialState != 2) continue;
      for (const std::string& name : installed)
        ASSERT_TRUE(writeFile(dirs[k] / name, "old"));
    }
    takeArchive(session, std::move(archive));
    session.start = {agent, tOtherStart::defaultBrowser};
    choices.items = items;
  }
  tRunResult run() { return runInstallation(session, choices, reporter, cancel); }
  std::vector<Names> contents() const {
    return {dirs[0].contents(), dirs[1].contents(), dirs[2].contents()};
  }

  ScratchDir home;
  std::vector<ScratchDir> dirs = std::vector<ScratchDir>(3);
  tSession session;
  Choices choices;
  Recorder reporter;
  tCancelRequest cancel;
};

constexpr tChoice none{0, 0}, ticked{0, 1}, kept{2, 2}, unticked{2, 0};
constexpr tBrowserStart startNothing{std::nullopt, tOtherStart::nothing};
constexpr tBrowserStart startDefault{std::nullopt, tOtherStart::defaultBrowser};

TEST_F(Run, EachBrowserGetsWhatItsChoiceAsks) {
  struct Row {
    const char* what;
    std::vector<tChoice> items;
    std::optional<size_t> agent;
    tOutcome outcome;
    tBrowserStart start;
    std::vector<Names> files;
  };
  const std::vector<Row> rows = {
      {"the agent's browser ticked",
       {none, ticked, none},
       1,
       tOutcome::installed,
       {1, {}},
       {{}, installed, {}}},
      {"another ticked, the agent's left unticked",
       {ticked, none, none},
       1,
       tOutcome::installed,
       startDefault,
       {installed, {}, {}}},
      {"no agent's browser",
       {ticked, none, ticked},
       std::nullopt,
       tOutcome::installed,
       startDefault,
       {installed, {}, installed}},
      {"the agent's browser kept up to date",
       {none, kept, none},
       1,
       tOutcome::nothingToChange,
       {1, {}},
       {{}, installed, {}}},
      {"nothing chosen",
       {none, none, none},
       1,
       tOutcome::nothingToChange,
       startNothing,
       {{}, {}, {}}},
      {"the agent's browser unticked: removed, nothing started",
       {kept, unticked, none},
       1,
       tOutcome::removed,
       startNothing,
       {installed, removed, {}}},
      {"a removal only",
       {unticked, none, none},
       1,
       tOutcome::removed,
       startNothing,
       {removed, {}, {}}},
      {"installed and removed",
       {unticked, ticked, none},
       1,
       tOutcome::installed,
       {1, {}},
       {removed, installed, {}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    session = {};
    choices = {};
    for (ScratchDir& dir : dirs)
      for (const std::string& name : dir.contents())
        std::filesystem::remove_all(ScratchDir::fsPath(dir / name));
    start(row.items, row.agent);
    tRunResult result = run();
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(result.start.browser, row.start.browser);
    EXPECT_EQ(result.start.otherwise, row.start.otherwise);
    EXPECT_EQ(contents(), row.files);
    EXPECT_EQ(reporter.errors, Names{});
  }
}

TEST_F(Run, ACancelBeforeTheRunTouchesNoBrowser) {
  start({ticked, ticked, unticked}, 0);
  cancel.request();
  tRunResult result = run();
  EXPECT_EQ(result.outcome, tOutcome::cancelled);
  EXPECT_EQ(result.start.browser, std::nullopt);
  EXPECT_EQ(result.start.otherwise, tOtherStart::nothing);
  EXPECT_EQ(contents(), (std::vector<Names>{{}, {}, installed}));
}

TEST_F(Run, ACancelDuringABrowserFinishesItAndTouchesNoLaterOne) {
  start({ticked, ticked, ticked}, 0);
  // Each choice is read when the run reaches its browser, not before (the
  // agent's is read once more at the end).
  choices.onAsk = [&](size_t browser) {
    if (choices.asked.size() != browser + 1) return;
    EXPECT_EQ(dirs[browser].contents(), Names{});
    if (browser == 1) cancel.request();
  };
  tRunResult result = run();
  EXPECT_EQ(result.outcome, tOutcome::cancelled);
  EXPECT_EQ(result.start.browser, std::nullopt);
  EXPECT_EQ(result.start.otherwise, tOtherStart::nothing);
  EXPECT_EQ(contents(), (std::vector<Names>{installed, installed, {}}));
}

TEST_F(Run, AFailedEntryIsReportedAndTheRunGoesOnToTheOtherBrowsers) {
  start({ticked, none, ticked}, 0, true);
  tRunResult result = run();
  EXPECT_EQ(result.outcome, tOutcome::finishedWithErrors);
  EXPECT_EQ(result.start.browser, std::nullopt) << "nothing starts after errors";
  EXPECT_EQ(result.start.otherwise, tOtherStart::nothing);
  EXPECT_EQ(reporter.errors, (Names{"CRC error trying to extract npvorlixa.dll",
                                    "CRC error trying to extract npvorlixa.dll"}));
  EXPECT_EQ(contents(), (std::vector<Names>{{"vorlixa.drv"}, {}, {"vorlixa.drv"}}));
}

TEST_F(Run, NotesWhatItDoesInEachPluginFolderForTheLog) {
  start({unticked, ticked, kept}, std::nullopt);
  run();
  // An installation names each file by the path it wrote, "\\"-separated.
  auto written = [&](size_t k, const std::string& name) {
    std::string path = dirs[k] / name;
    for (char& c : path)
      if (c == '/') c = '\\';
    return "written " + path;
  };
  EXPECT_EQ(reporter.notes, (Names{"Browser 0: removing from " + dirs[0].path(),
                                   "removed " + dirs[0].path() + "\\vorlixa.drv",
                                   "Browser 1: installing into " + dirs[1].path(),
                                   written(1, "vorlixa.drv"), written(1, "npvorlixa.dll"),
                                   "Browser 2: up to date, left alone: " + dirs[2].path()}));
}

TEST(OutcomeBox, EachOutcomeHasItsBox) {
  struct Row {
    tOutcome outcome;
    std::string caption, text;
    BoxIcon icon;
  };
  for (const Row& row : std::vector<Row>{
           {tOutcome::installed, "Installation Complete", "Installation complete.",
            BoxIcon::information},
           {tOutcome::removed, "Installation Complete", "Installation complete.",
            BoxIcon::information},
           {tOutcome::nothingToChange, "Installation Complete",
            "Installation complete, no changes were made.", BoxIcon::information},
           {tOutcome::cancelled, "Installation Cancelled",
            "Installation cancelled. Browsers that the installation had not reached were left "
            "unchanged.",
            BoxIcon::information},
           {tOutcome::finishedWithErrors, "Installation Incomplete",
            "Installation finished with errors. The plug-in may not work in every browser you "
            "selected.",
            BoxIcon::warning}}) {
    tOutcomeBox box = outcomeBoxFor(row.outcome);
    EXPECT_EQ(box.caption, row.caption) << row.text;
    EXPECT_EQ(box.text, row.text);
    EXPECT_EQ(box.icon, row.icon) << row.text;
  }
}

} // namespace
