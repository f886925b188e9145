// setup.exe as an administrator deploys it: /S installs into every browser
// that is not up to date without a window or a box of any kind (a
// window-event hook on the program sees every window it creates or shows),
// /LOG= keeps a record of the run, and the exit code says how it ended. Also
// the boxes that /? and an unknown switch show when the window may open.
#include "installer/commandline.h"
#include "installer/texts.h"
#include "tests/driver/windowwatch.h"
#include "tests/e2e/installer.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace e2e {
namespace {

using namespace uidriver;

const std::vector<std::string> payloadFiles = {"vorlixa.drv", "vorlixa.ini", "vorlixa.xpt",
                                               "npvorlixa.dll"};

// The log's lines, as the computer's paths expand them.
std::string lines(const std::vector<std::string>& all) {
  std::string text;
  for (const std::string& line : all)
    text += line + "\r\n";
  return text;
}

// What a run made of the log: its path and whatever the row expects in it.
struct Unattended {
  const char* what;
  std::vector<Existing> existing = {Existing::none, Existing::older, Existing::current};
  std::function<void(std::vector<zipkit::Entry>&)> payload = nullptr;
  std::string arguments = "/S"; // after setup.exe; the log, when wanted, follows
  bool log = true;              // /LOG=<root>\setup.log is added
  std::function<void(Session&)> prepare = nullptr;
  DWORD exitCode = 0;
  std::vector<Outcome> outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched};
  // Lines the log must end with (before its exit-code line); the first row
  // checks the whole log.
  std::function<std::vector<std::string>(const Session&)> logEnd = nullptr;
  std::vector<int> running = {}; // started before; those whose folder changes must quit
};

void run(const Unattended& c) {
  SCOPED_TRACE(c.what);
  std::vector<zipkit::Entry> payload = samplePayload();
  if (c.payload) c.payload(payload);
  Session s("e2e-silent", c.existing, payload, comment(firefoxAgent, startUrl));
  ASSERT_TRUE(s.ok());
  if (c.prepare) c.prepare(s);
  s.remember();
  std::vector<Process> running;
  for (int b : c.running) {
    running.push_back(startFakeBrowser(s.program(b)));
    ASSERT_TRUE(running.back().running()) << s.program(b);
  }
  const std::string logPath = s.root() + "\\setup.log";
  std::string arguments = c.arguments + (c.log ? " \"/LOG=" + logPath + "\"" : "");
  std::vector<std::string> windows;
  EXPECT_EQ(s.runWatched(arguments, windows), c.exitCode);
  EXPECT_EQ(windows, std::vector<std::string>{}) << "a window of the program appeared";

  expectQuitWhereChanged(s, running, c.running, c.outcomes);
  for (int b = 0; b < browserCount; ++b)
    expectOutcome(s, b, c.outcomes[b]);
  EXPECT_EQ(endFakeBrowsers(s.root()), 0) << "no browser is started";
  EXPECT_TRUE(s.registryUnchanged());
  if (!c.log) return;
  std::string log = readFile(logPath);
  std::vector<std::string> end = c.logEnd ? c.logEnd(s) : std::vector<std::string>{};
  end.push_back("Exit code: " + std::to_string(c.exitCode));
  EXPECT_TRUE(log.ends_with(lines(end))) << log;
  EXPECT_TRUE(log.starts_with(
      lines({"Vorlixa Plugin Installer log", "Unattended (/S): no window, no message box"})))
      << log;
}

// The whole log of an unattended run into Firefox (not installed) and
// Navigator (older), with Opera up to date and Firefox running.
std::vector<std::string> fullLog(const Session& s) {
  std::vector<std::string> log = {"Browsers found:"};
  for (int b = 0; b < browserCount; ++b)
    log.push_back("  " + browserSpecs()[b].name + ": program " + s.program(b) +
                  ", plug-in folder " + s.pluginDir(b));
  log.push_back("Archive: " + s.setup());
  log.push_back("Plug-in: npvorlixa.dll version 1.2.0.5");
  log.push_back("What each browser holds:");
  log.push_back("  Mozilla Firefox 1.5.0.1: not installed");
  log.push_back("  Netscape Navigator 4.79 (en): older or unknown version");
  log.push_back("  Opera 8.50: up to date");
  log.push_back("Run:");
  for (int b : {firefox, navigator}) {
    log.push_back("  " + browserSpecs()[b].name + ": installing into " + s.pluginDir(b));
    if (b == firefox) log.push_back("  asked 1 running program(s) to quit");
    for (const std::string& file : payloadFiles)
      log.push_back("  written " + s.pluginDir(b) + "\\" + file);
  }
  log.push_back("  Opera 8.50: up to date, left alone: " + s.pluginDir(opera));
  log.push_back("Outcome: installed");
  return log;
}

TEST(Unattended, DoesWhatSetAllAndContinueWouldWithoutAWindow) {
  const std::vector<Unattended> rows = {
      {.what = "/S /LOG=: every browser not up to date installed, the log says so",
       .outcomes = {Outcome::installed, Outcome::installed, Outcome::untouched},
       .logEnd = fullLog,
       .running = {firefox, opera}},
      {.what = "the switch in lower case",
       .arguments = "/s",
       .outcomes = {Outcome::installed, Outcome::installed, Outcome::untouched},
       .logEnd = [](const Session&) { return std::vector<std::string>{"Outcome: installed"}; }},
      {.what = "every browser up to date: nothing to change, nothing removed",
       .existing = {Existing::current, Existing::current, Existing::current},
       .logEnd =
           [](const Session&) { return std::vector<std::string>{"Outcome: nothing to change"}; }},
      {.what = "a damaged archive: exit 4 and nothing written",
       .prepare =
           [](Session& s) {
             // The program without the archive's end record: no catalog is found.
             std::string bytes = readFile(s.setup());
             ASSERT_TRUE(writeFile(s.setup(), bytes.substr(0, bytes.rfind("PK\5\6"))));
           },
       .exitCode = 4,
       .logEnd =
           [](const Session&) {
             return std::vector<std::string>{
                 "  error: File appears to be incomplete - unable to locate master catalog"};
           }},
      {.what = "an unknown switch: exit 2, nothing else",
       .arguments = "/S /NOSUCH",
       .exitCode = 2,
       .logEnd =
           [](const Session&) {
             return std::vector<std::string>{
                 "  error: Unknown switch /NOSUCH (setup.exe /? lists the switches)"};
           }},
      {.what = "/NOSUCH alone under /S, without a log",
       .arguments = "/S /NOSUCH",
       .log = false,
       .exitCode = 2},
      {.what = "a damaged entry: the others installed, exit 5",
       .existing = {Existing::none, Existing::none, Existing::current},
       .payload = [](auto& entries) { entries[1].data = zipkit::storedDeflate("damaged"); },
       .exitCode = 5,
       .outcomes = {Outcome::firstFile, Outcome::firstFile, Outcome::untouched},
       .logEnd =
           [](const Session&) {
             return std::vector<std::string>{"Outcome: finished with errors"};
           }},
      {.what = "/? under /S shows nothing", .arguments = "/S /?", .exitCode = 0},
  };
  for (const Unattended& row : rows)
    run(row);
}

TEST(Unattended, ALogNameThatIsTakenEndsTheRunBeforeAnything) {
  Session s("e2e-silent-taken", {Existing::none, Existing::none, Existing::none}, samplePayload(),
            comment(firefoxAgent, startUrl));
  ASSERT_TRUE(s.ok());
  const std::string logPath = s.root() + "\\setup.log";
  ASSERT_TRUE(writeFile(logPath, "someone else's\n"));
  std::vector<std::string> windows;
  EXPECT_EQ(s.runWatched("/S \"/LOG=" + logPath + "\"", windows), 2u);
  EXPECT_EQ(windows, std::vector<std::string>{});
  EXPECT_EQ(readFile(logPath), "someone else's\n");
  for (int b = 0; b < browserCount; ++b)
    expectOutcome(s, b, Outcome::untouched);
}

TEST(Unattended, WithTheWindowSwitchesShowTheirBoxes) {
  struct Row {
    std::string arguments, caption, text;
    bool errorIcon;
    DWORD exitCode;
  };
  for (const Row& r : {Row{"/NOSUCH", "Install Error",
                           "Unknown switch /NOSUCH (setup.exe /? lists the switches)", true, 2},
                       Row{"/?", installerTitle, switchesHelpText, false, 0}}) {
    SCOPED_TRACE(r.arguments);
    Session s("e2e-switches", {}, samplePayload(), comment(firefoxAgent, startUrl));
    ASSERT_TRUE(s.ok());
    Process installer = Process::startHeld("\"" + s.setup() + "\" " + r.arguments, s.root());
    WindowWatch watch(installer.id());
    ASSERT_TRUE(watch.ok());
    installer.resume();
    // The watch sees the box: the same hook that sees nothing under /S.
    auto sawBox = [&] {
      const std::vector<std::string>& seen = watch.windows();
      return std::find(seen.begin(), seen.end(), "#32770") != seen.end();
    };
    EXPECT_TRUE(watch.pumpUntil(installer, sawBox, 30000));
    HWND box = waitForWindow(installer.id(), "#32770", "", 30000);
    ASSERT_NE(box, nullptr);
    MessageBoxInfo info = readMessageBox(box);
    EXPECT_EQ(info.caption, r.caption);
    EXPECT_EQ(info.text, r.text);
    EXPECT_EQ(info.errorIcon, r.errorIcon);
    EXPECT_TRUE(clickControl(box, "OK"));
    EXPECT_EQ(watch.waitForExit(installer, 30000), r.exitCode);
    for (const std::string& name : watch.windows())
      EXPECT_NE(name, installerClassName);
  }
}

} // namespace
} // namespace e2e
