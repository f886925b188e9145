// The installer doing its whole job, one scenario per row: a computer with
// Firefox 1.5, Netscape Navigator 4.79 and Opera 8.50, some with the plug-in
// installed already, a user who ticks, un-ticks and presses buttons, and what
// the user and the computer see afterwards: the message boxes, the files of
// every plug-in directory with their times, which browser was started with
// which command line, which running programs were asked to quit, and a
// registry left as it was. Also: a signed setup.exe installs.
#include "archive/peformat.h"
#include "archive/peimage.h"
#include "tests/detect/association.h"
#include "tests/e2e/installer.h"
#include "tests/formless/pixelpaint.h"
#include "tests/util/wait.h"
#include "util/systemlibrary.h"
#include "util/text.h"

#include <optional>

namespace e2e {
namespace {

using namespace uidriver;

constexpr int defaultBrowser = 3; // started through the "http" association
constexpr int htmlViewer = 4;     // started through the ".html" fall-back
constexpr int chosenBrowser = 5;  // the one the user chose for "http"
constexpr int nobody = -1;

const std::string defaultProgram = "%ROOT%\\Default Browser\\browser.exe";
const std::string viewerProgram = "%ROOT%\\Html Viewer\\viewer.exe";
const std::string chosenProgram = "%ROOT%\\Chosen Browser\\chosen.exe";

struct Scenario {
  const char* what;
  std::vector<Existing> existing = {Existing::none, Existing::none, Existing::none};
  std::function<void(std::vector<zipkit::Entry>&)> payload = nullptr;
  std::string settings = comment(firefoxAgent, startUrl);
  std::string caption = "Vorlixa Plugin Installer v1.2.0.5";
  std::vector<int> initial = {1, 0, 0};
  std::function<void(Session&)> act;
  std::vector<std::string> boxes = {"Installation complete."};
  std::vector<Outcome> outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched};
  int started = firefox;
  std::string commandLine = "\"%ROOT%\\Mozilla Firefox\\firefox.exe\" " + startUrl;
  std::string httpCommand = "\"" + defaultProgram + "\" \"%1\"";
  bool ownedBoxes = true; // the boxes belong to the window (false: it was closed)
  bool shell = true;      // the desktop has a shell window (false: none, as the bare rig)
  // Browsers whose programs run when the installer starts: each one whose
  // plug-in directory the run changes is asked to quit, no other.
  std::vector<int> running = {};
  std::string userChoice = {}; // the open command of the class the user chose; empty: none
  // 0 installed, removed or nothing to change; 1 cancelled (also before
  // Continue: the window closed); 5 finished with errors.
  DWORD exitCode = 0;
};

const std::string cancelledText = "Installation cancelled. Browsers that the installation had "
                                  "not reached were left unchanged.";
const std::string incompleteText = "Installation finished with errors. The plug-in may not work "
                                   "in every browser you selected.";

// A built program (this build's by default) loaded as data, for its resources.
OwnedLibrary programAsData(const std::string& path = programUnderTest()) {
  return OwnedLibrary(LoadLibraryExA(windowsPath(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

void pressContinue(Session& s) {
  s.click("Continue");
}

// Presses Continue and Cancel at once: the run takes the Cancel at its first
// dispatch of messages, while it works on the first browser.
void continueThenCancel(Session& s) {
  pressContinue(s), s.click("Cancel");
}

// Moves the focus with TAB until it is on the control of this caption ("" the list).
void tabTo(Session& s, const std::string& caption) {
  for (int presses = 0; presses < 4 && focusedControl(s.window()) != s.control(caption);
       ++presses) {
    HWND before = focusedControl(s.window());
    sendKey(s.window(), Key::tab);
    waitUntil([&] { return focusedControl(s.window()) != before; }, std::chrono::seconds(20));
  }
  EXPECT_EQ(focusedControl(s.window()), s.control(caption)) << "TAB to " << caption;
}

const std::vector<Scenario>& scenarios() {
  static const std::vector<Scenario> all = {
      {.what = "the agent's browser is pre-ticked, installed and started maximised",
       .act = pressContinue},
      {.what =
           "up to date is greyed and kept, older is pre-ticked and replaced or, un-ticked, kept",
       .existing = {Existing::current, Existing::older, Existing::older},
       .initial = {2, 1, 1},
       .act = [](Session& s) { s.toggle(opera), pressContinue(s); },
       .outcomes = {Outcome::untouched, Outcome::installed, Outcome::untouched}},
      {.what = "removing the plug-in from the agent's browser starts no browser at all",
       .existing = {Existing::current, Existing::none, Existing::none},
       .initial = {2, 0, 0},
       .act = [](Session& s) { s.toggle(firefox), s.toggle(navigator), pressContinue(s); },
       .outcomes = {Outcome::removed, Outcome::installed, Outcome::untouched},
       .started = nobody},
      {.what = "the agent's browser un-ticked: the default browser through \"http\"",
       .act = [](Session& s) { s.toggle(firefox), s.toggle(navigator), pressContinue(s); },
       .outcomes = {Outcome::untouched, Outcome::installed, Outcome::untouched},
       .started = defaultBrowser,
       .commandLine = "\"" + defaultProgram + "\" \"" + startUrl + "\""},
      {.what = "\"http\" without %1: the program of the \".html\" class",
       .act = [](Session& s) { s.toggle(firefox), s.toggle(navigator), pressContinue(s); },
       .outcomes = {Outcome::untouched, Outcome::installed, Outcome::untouched},
       .started = htmlViewer,
       .commandLine = "\"" + viewerProgram + "\" " + startUrl,
       .httpCommand = "\"" + defaultProgram + "\" -nohome"},
      {.what = "Set All ticks what is unticked, keeps the greyed tick; Cancel changes nothing",
       .existing = {Existing::current, Existing::none, Existing::none},
       .initial = {2, 0, 0},
       .act =
           [](Session& s) {
             s.click("Set All");
             EXPECT_TRUE(s.showsStates({2, 1, 1})) << "after Set All";
             s.click("Cancel");
           },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 1},
      {.what = "ESC ends without a change",
       .act = [](Session& s) { sendKey(s.window(), Key::escape); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 1},
      {.what = "the close box ends without a change",
       .act = [](Session& s) { PostMessageA(s.window(), WM_SYSCOMMAND, SC_CLOSE, 0); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 1},
      {.what = "TAB goes list, Continue, Set All, Cancel, list; Enter presses Continue",
       .act =
           [](Session& s) {
             auto focus = [&] { return focusedControl(s.window()); };
             for (const char* next : {"Continue", "Set All", "Cancel", ""}) {
               sendKey(s.window(), Key::tab);
               waitUntil([&] { return focus() == s.control(next); }, std::chrono::seconds(20));
               EXPECT_EQ(focus(), s.control(next)) << "TAB to " << next;
             }
             sendKey(s.window(), Key::enter);
           }},
      {.what = "a program path with a blank is quoted",
       .existing = {Existing::none, Existing::none, Existing::older},
       .settings = comment(operaAgent, startUrl),
       .initial = {0, 0, 1},
       .act = pressContinue,
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::installed},
       .started = opera,
       .commandLine = "\"%root%\\program files\\opera\\Opera.exe\" " + startUrl},
      {.what = "an empty \"url:\" leaves the command line ending in a blank",
       .settings = "agent: " + firefoxAgent + "\nurl:\n",
       .act = pressContinue,
       .commandLine = "\"%ROOT%\\Mozilla Firefox\\firefox.exe\" "},
      {.what = "a damaged entry: its CRC error, then a run that says it is incomplete",
       .payload = [](auto& entries) { entries[1].data = zipkit::storedDeflate("damaged"); },
       .act = pressContinue,
       .boxes = {"CRC error trying to extract vorlixa.ini", incompleteText},
       .outcomes = {Outcome::firstFile, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 5},
      {.what = "a plug-in library without a version: the caption ends in \" v\"",
       .existing = {Existing::older, Existing::none, Existing::none},
       .payload =
           [](auto& entries) {
             entries.back() = zipkit::deflatedEntry(
                 "plugins/npvorlixa.dll",
                 readFile(windowsPath(std::string(FIXTURE_DIR) + "/npnoversion.dll")));
           },
       .caption = "Vorlixa Plugin Installer v",
       .initial = {1, 0, 0}, // an unknown version is never up to date
       .act = [](Session& s) { s.click("Cancel"); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 1},
      {.what = "a plug-in library that cannot be extracted: \"???\"",
       .payload = [](auto& entries) { entries.back().method = 9; },
       .caption = "Vorlixa Plugin Installer v???",
       .act = pressContinue,
       .boxes = {"Fatal error #6 trying to extract npvorlixa.dll", incompleteText},
       .outcomes = {Outcome::drivers, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .exitCode = 5},
      {.what = "Continue pressed again during the run is ignored",
       .act = [](Session& s) { pressContinue(s), pressContinue(s); }},
      {.what = "Set All during the run ticks the browsers the run has yet to reach",
       .act = [](Session& s) { pressContinue(s), s.click("Set All"); },
       .outcomes = {Outcome::installed, Outcome::installed, Outcome::installed}},
      {.what = "Cancel during the run: the first browser is finished, no later one is touched",
       .existing = {Existing::none, Existing::older, Existing::older},
       .initial = {1, 1, 1},
       .act = continueThenCancel,
       .boxes = {cancelledText},
       .outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .running = {firefox, navigator, opera},
       .exitCode = 1},
      {.what = "closing the window during the run: the first browser is finished, no more",
       .existing = {Existing::none, Existing::older, Existing::older},
       .initial = {1, 1, 1},
       .act =
           [](Session& s) {
             pressContinue(s);
             PostMessageA(s.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
           },
       .boxes = {cancelledText},
       .outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .ownedBoxes = false,
       .running = {navigator, opera},
       .exitCode = 1},
      {.what = "the typical payload installed, then seen as up to date, then removed",
       .existing = {Existing::foreign, Existing::none, Existing::none},
       .act =
           [](Session& s) {
             pressContinue(s);
             EXPECT_EQ(s.answerBox().text, "Installation complete.");
             EXPECT_EQ(s.finish(), 0u);
             // The first run started Firefox; it is ended so that its window
             // does not cover the installer's next one.
             EXPECT_EQ(waitForFakeBrowserLine(s.program(firefox), 0, {"shown"}).event, "shown");
             EXPECT_EQ(endFakeBrowsers(s.root()), 1);
             s.start();
             EXPECT_TRUE(s.showsStates({2, 0, 0})) << "installed and up to date";
             s.toggle(firefox);
             EXPECT_TRUE(s.showsStates({0, 0, 0}));
             pressContinue(s);
           },
       .outcomes = {Outcome::library, Outcome::untouched, Outcome::untouched},
       .started = nobody},
      {.what = "only kept browsers: no changes were made, and the agent's browser starts",
       .existing = {Existing::current, Existing::none, Existing::none},
       .initial = {2, 0, 0},
       .act = pressContinue,
       .boxes = {"Installation complete, no changes were made."},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .running = {navigator}},
      {.what = "nothing changed: no changes were made, and nothing starts",
       .act = [](Session& s) { s.toggle(firefox), pressContinue(s); },
       .boxes = {"Installation complete, no changes were made."},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .running = {firefox}},
      {.what = "Enter on Cancel presses Cancel",
       .act =
           [](Session& s) {
             tabTo(s, "Cancel");
             sendKey(s.window(), Key::enter);
           },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .running = {firefox},
       .exitCode = 1},
      {.what = "Enter on the list presses Continue",
       .existing = {Existing::none, Existing::older, Existing::current},
       .initial = {1, 1, 2},
       .act = [](Session& s) { sendKey(s.window(), Key::enter); },
       .outcomes = {Outcome::installed, Outcome::installed, Outcome::untouched},
       .running = {navigator, opera}},
      {.what = "of three running browsers, those whose plug-in changes are asked to quit",
       .existing = {Existing::older, Existing::current, Existing::none},
       .initial = {1, 2, 0},
       .act =
           [](Session& s) {
             s.toggle(firefox), s.toggle(navigator), s.toggle(opera), pressContinue(s);
           },
       .outcomes = {Outcome::untouched, Outcome::removed, Outcome::installed},
       .started = defaultBrowser,
       .commandLine = "\"" + defaultProgram + "\" \"" + startUrl + "\"",
       .running = {firefox, navigator, opera}},
      {.what = "without a shell window the elevated installer starts no browser",
       .act = pressContinue,
       .started = nobody,
       .shell = false},
      {.what = "a blank and a quote in the address stay inside its one argument",
       .settings = comment(firefoxAgent, "http://www.example.com/a b\" -new-window"),
       .act = pressContinue,
       .commandLine = "\"%ROOT%\\Mozilla Firefox\\firefox.exe\" "
                      "http://www.example.com/a%20b%22%20-new-window"},
      {.what = "the setup program renamed and replaced while the window waits",
       .act =
           [](Session& s) {
             // The installer holds its file shared for reading only: the
             // rename is refused, and were it not, the file held is read.
             std::string setup = s.root() + "\\setup.exe";
             if (!MoveFileA(setup.c_str(), (setup + ".old").c_str())) return pressContinue(s);
             // Another archive with other data at the same positions.
             std::vector<zipkit::Entry> other = samplePayload();
             for (zipkit::Entry& e : other)
               if (!e.name.ends_with("/"))
                 e = zipkit::deflatedEntry(e.name, std::string(e.original.size(), 'X'));
             ASSERT_TRUE(
                 writeFile(setup, readFile(windowsPath(programUnderTest())) +
                                      zipkit::buildZip(other, comment(firefoxAgent, startUrl))));
             pressContinue(s);
           }},
      {.what = "the agent's browser un-ticked: the browser the user chose for \"http\"",
       .act = [](Session& s) { s.toggle(firefox), s.toggle(navigator), pressContinue(s); },
       .outcomes = {Outcome::untouched, Outcome::installed, Outcome::untouched},
       .started = chosenBrowser,
       .commandLine = "\"" + chosenProgram + "\" -osint -url \"" + startUrl + "\"",
       .userChoice = "\"" + chosenProgram + "\" -osint -url \"%1\""},
  };
  return all;
}

std::string programOf(const Session& s, int started) {
  if (started == defaultBrowser) return s.expand(defaultProgram);
  if (started == htmlViewer) return s.expand(viewerProgram);
  if (started == chosenBrowser) return s.expand(chosenProgram);
  return s.program(started);
}

using Hook = std::function<void(Session&)>;

// Runs the scenario; beforeStart prepares what it needs beyond the computer
// (after the directories and the registry were noted), afterEnd looks at it
// and lets it go when the installer has ended, before the common checks.
void run(const Scenario& c, const Hook& beforeStart = {}, const Hook& afterEnd = {},
         const std::string& navigatorPlugins = {}) {
  SCOPED_TRACE(c.what);
  std::vector<zipkit::Entry> payload = samplePayload();
  if (c.payload) c.payload(payload);
  Session s("e2e-run", c.existing, payload, c.settings, navigatorPlugins);
  ASSERT_TRUE(s.ok());
  for (const std::string& program : {defaultProgram, viewerProgram, chosenProgram}) {
    testfiles::createFoldersTo(s.expand(program));
    ASSERT_TRUE(copyFile(machine::fixturePath("ff15"), s.expand(program)));
  }
  testregistry::ScopedAssociations associations(
      {"http", ".html", "VorlixaTestPage", "VorlixaChosen"});
  associations.setDefaultVerb("http", "open");
  associations.setVerbCommand("http", "open", s.expand(c.httpCommand));
  associations.setDefault(".html", "VorlixaTestPage");
  associations.setVerbCommand("VorlixaTestPage", "open",
                              "\"" + s.expand(viewerProgram) + "\" \"%1\"");
  associations.takeUserChoice("http");
  if (!c.userChoice.empty()) {
    associations.setVerbCommand("VorlixaChosen", "open", s.expand(c.userChoice));
    associations.setUserChoice("http", "VorlixaChosen");
  }

  s.remember();
  if (beforeStart) beforeStart(s);
  std::optional<FakeShell> shell;
  if (c.shell) {
    ASSERT_TRUE(shell.emplace(machine::fixturePath("shell")).running());
  }
  std::vector<Process> running;
  for (int b : c.running) {
    running.push_back(startFakeBrowser(s.program(b)));
    ASSERT_TRUE(running.back().running()) << s.program(b);
  }
  s.start();
  ASSERT_NE(s.window(), nullptr);
  std::vector<std::string> names;
  for (const BrowserSpec& b : browserSpecs())
    names.push_back(b.name);
  EXPECT_EQ(s.items(), names);
  char caption[256] = {};
  GetWindowTextA(s.window(), caption, sizeof caption);
  EXPECT_EQ(std::string(caption), c.caption);
  EXPECT_TRUE(s.showsStates(c.initial)) << "shown at the start";
  c.act(s);
  for (const std::string& text : c.boxes) {
    MessageBoxInfo box = s.answerBox();
    EXPECT_EQ(box.text, text);
    if (text.starts_with("Installation complete")) {
      EXPECT_EQ(box.caption, "Installation Complete");
      EXPECT_TRUE(box.informationIcon) << text;
    } else if (text == cancelledText) {
      EXPECT_EQ(box.caption, "Installation Cancelled");
      EXPECT_TRUE(box.informationIcon) << text;
    } else if (text == incompleteText) {
      EXPECT_EQ(box.caption, "Installation Incomplete");
      EXPECT_TRUE(box.warningIcon) << text;
    } else {
      EXPECT_EQ(box.caption, "Install Error");
      EXPECT_TRUE(box.errorIcon) << text;
    }
    EXPECT_EQ(box.owner, c.ownedBoxes ? s.window() : nullptr) << text;
  }
  EXPECT_EQ(s.finish(), c.exitCode);
  if (afterEnd) afterEnd(s);
  expectQuitWhereChanged(s, running, c.running, c.outcomes);

  for (int b = 0; b < browserCount; ++b)
    expectOutcome(s, b, c.outcomes[b]);
  // Which browser started, with which command line and maximised; no other.
  // The installer has ended, so whatever it started runs by now: the count of
  // programs running from the computer's folders says how many it started.
  if (c.started != nobody) {
    std::string program = programOf(s, c.started);
    FakeBrowserLine shown = waitForFakeBrowserLine(program, 0, {"shown"}, 30000);
    EXPECT_EQ(shown.field("zoomed"), "1") << program;
    std::vector<FakeBrowserLine> lines = fakeBrowserLines(program, shown.pid);
    ASSERT_FALSE(lines.empty()) << program << " did not start";
    EXPECT_EQ(lines[0].field("cmdline"), s.expand(c.commandLine));
    EXPECT_EQ(lines[0].field("show"), "3");
    EXPECT_EQ(lines[0].field("cwd"), s.root());
    // Wine runs every program elevated: the browser is the shell's child.
    ASSERT_TRUE(shell.has_value()) << "started without a shell to start it";
    EXPECT_EQ(lines[0].field("ppid"), std::to_string(shell->id()));
    EXPECT_EQ(lines[0].field("parent"), "fx-shell.exe");
  }
  EXPECT_EQ(endFakeBrowsers(s.root()), c.started == nobody ? 0 : 1) << "programs started";
  EXPECT_TRUE(s.registryUnchanged());
  std::string list;
  for (int b = 0; b < browserCount; ++b)
    list += browserSpecs()[b].name + "\n" + s.program(b) + "\n" + s.pluginDir(b) + "\n";
  EXPECT_EQ(readFile(s.root() + "\\detected browsers.txt"), list);
}

// Where each control must stand, in client coordinates: left, top, width, height.
struct Placed {
  const char* className;
  const char* text;
  RECT r;
};

TEST(Installer, TheWindowIsLaidOutAsDesigned) {
  Session s("e2e-layout", {}, samplePayload(), comment(firefoxAgent, startUrl));
  ASSERT_TRUE(s.ok());
  s.start();
  ASSERT_NE(s.window(), nullptr);
  ASSERT_TRUE(s.showsStates({1, 0, 0}));
  RECT frame = {};
  GetWindowRect(s.window(), &frame);
  EXPECT_EQ(frame.right - frame.left, 481);
  EXPECT_EQ(frame.bottom - frame.top, 265);
  const char* instruction =
      "This procedure will install the Vorlixa plugin for the web browsers you select from the "
      "list below. Please close all browser windows before continuing...";
  auto height = static_cast<int>(SendMessageA(s.control(""), LB_GETITEMHEIGHT, 0, 0));
  int edges = 2 * GetSystemMetrics(SM_CYEDGE);
  std::vector<Placed> expected = {{"Static", "www.vorlixa.com", {136, 10, 240, 20}},
                                  {"Static", instruction, {136, 30, 340, 80}},
                                  // 100 high, trimmed by the system to whole items
                                  {"ListBox", "", {136, 90, 340, 100 - (100 - edges) % height}},
                                  {"Button", "Continue", {276, 205, 65, 24}},
                                  {"Button", "Set All", {181, 205, 65, 24}},
                                  {"Button", "Cancel", {371, 205, 65, 24}}};
  std::vector<WindowInfo> children = childWindows(s.window());
  ASSERT_EQ(children.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    RECT r = {};
    GetWindowRect(children[i].handle, &r);
    MapWindowPoints(nullptr, s.window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(children[i].className, expected[i].className);
    EXPECT_EQ(children[i].caption, expected[i].text);
    EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
              (std::vector<LONG>{expected[i].r.left, expected[i].r.top, expected[i].r.right,
                                 expected[i].r.bottom}))
        << expected[i].text;
  }
  EXPECT_EQ(focusedControl(s.window()), s.control("")) << "the focus starts on the check-list";

  // The banner at 10, 10, its own size, its background in the button face:
  // the artwork itself, which the program carries packed.
  std::string artwork = std::string(TEST_SOURCE_DIR) + "/../resources/side.bmp";
  SelectedBitmap banner(
      OwnedMemoryDc(CreateCompatibleDC(nullptr)),
      OwnedBitmap(static_cast<HBITMAP>(
          LoadImageA(nullptr, windowsPath(artwork).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE))));
  ASSERT_NE(banner.bitmap(), nullptr);
  Picture keyed = painted(112, 218, 0, [&](HDC dc) {
    toolkit::paintPixelByPixel(dc, banner.dc(), 112, 218, GetPixel(banner.dc(), 0, 0),
                               RECT{0, 0, 112, 218});
  });
  POINT origin = {10, 10};
  ClientToScreen(s.window(), &origin);
  EXPECT_EQ(capture(WindowDc().get(), origin.x, origin.y, 112, 218), keyed);

  std::string shot = std::string(TEST_BINARY_DIR) + "/installer-window.png";
  EXPECT_TRUE(writePng(windowsPath(shot), captureScreen(s.window())));
  std::printf("screenshot: %s\n", shot.c_str());
  s.click("Cancel");
  EXPECT_EQ(s.finish(), 1u) << "Cancel before Continue";
}

class Scenarios : public ::testing::TestWithParam<size_t> {};

TEST_P(Scenarios, DoWhatTheUserAsked) {
  run(scenarios()[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(Installer, Scenarios, ::testing::Range(size_t{0}, scenarios().size()));

TEST(Installer, AsksProgramsOnTheWayToThePluginDirectoryToQuitAndWaitsForThem) {
  // Programs running from Opera's folder, from a folder whose name merely
  // starts like it, and from elsewhere; Opera's installation is replaced.
  // A plug-in host in Opera's folder has the plug-in library loaded and takes
  // a while to let it go after its quit message: the run waits for it, so
  // the library is replaced without a write error.
  struct Running {
    std::string path;
    bool quits;
    Process process;
  };
  std::vector<Running> running;
  Scenario c = {.what = "running programs",
                .existing = {Existing::none, Existing::none, Existing::older},
                .settings = comment(operaAgent, startUrl),
                .initial = {0, 0, 1},
                .act = pressContinue,
                .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::installed},
                .started = opera,
                .commandLine = "\"%root%\\program files\\opera\\Opera.exe\" " + startUrl};
  run(
      c,
      [&](Session& s) {
        struct Program {
          const char* where;
          bool quits;
          const char* arguments;
        };
        // A browser that refuses reading its memory is asked all the same.
        for (auto [where, quits, arguments] :
             {Program{"Program Files\\Opera\\OperaHelper.exe", true, ""},
              {"Program Files\\Op\\helper.exe", true, ""},
              {"Other\\elsewhere.exe", false, ""},
              {"Program Files\\Opera\\Guarded.exe", true, "-deny-memory-read"}}) {
          std::string path = s.root() + "\\" + where;
          testfiles::createFoldersTo(path);
          ASSERT_TRUE(copyFile(machine::fixturePath("opera850"), path));
          running.push_back({path, quits, startFakeBrowser(path, arguments)});
          ASSERT_TRUE(running.back().process.running()) << path;
        }
        const std::string host = "Program Files\\Opera\\Program\\pluginhost.exe";
        std::string path = s.root() + "\\" + host;
        ASSERT_TRUE(copyFile(machine::fixturePath("opera850"), path));
        std::string library = s.pluginDir(opera) + "\\npvorlixa.dll";
        running.push_back({path, true, startFakeBrowser(path, "--hold \"" + library + "\"")});
        ASSERT_TRUE(running.back().process.running()) << path;
      },
      [&](Session& s) {
        for (Running& r : running) {
          // Taken in order: a ping answered with no quit before it proves none came.
          pingFakeBrowser(r.process.id());
          FakeBrowserLine line = waitForFakeBrowserLine(r.path, r.process.id(), {"quit", "ping"});
          EXPECT_EQ(line.event, r.quits ? "quit" : "ping") << r.path;
        }
        EXPECT_EQ(fakeBrowserEvents(running.back().path, running.back().process.id()),
                  (std::vector<std::string>{"start", "shown", "quit", "unloaded"}))
            << "the plug-in host let its library go";
        endFakeBrowsers(s.root() + "\\Other");
      });
}

TEST(Installer, ATargetHeldOpenIsAWriteErrorTheOtherBrowsersAreStillInstalled) {
  // The error is in the middle one of three ticked browsers: the last one
  // still gets the whole payload, and the run says it is incomplete.
  OwnedFile held;
  Scenario c = {
      .what = "Navigator's plug-in library held open without sharing",
      .existing = {Existing::none, Existing::older, Existing::older},
      .initial = {1, 1, 1},
      .act = pressContinue,
      .boxes = {"Disk write error trying to extract npvorlixa.dll (disk full?)", incompleteText},
      .outcomes = {Outcome::installed, Outcome::drivers, Outcome::installed},
      .started = nobody,
      .exitCode = 5};
  run(
      c,
      [&](Session& s) {
        std::string library = s.pluginDir(navigator) + "\\npvorlixa.dll";
        held = openFile(library, GENERIC_READ, 0);
        ASSERT_TRUE(held);
      },
      [&](Session&) { held.reset(); });
}

// A symbolic link from link to the existing folder target, as a standard
// user would make a junction. Wine makes no links itself, but runs Unix
// programs: ln makes it, and Wine shows it as a reparse point whose owner is
// the user.
bool makeUsersLink(const std::string& link, const std::string& target) {
  using UnixNameFn = char*(CDECL*)(const WCHAR*);
  auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  auto unix = [&](const std::string& path) {
    char* name = unixName(wide(path).c_str());
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
  };
  size_t cut = link.find_last_of('\\');
  std::string from = unix(link.substr(0, cut)) + "/" + link.substr(cut + 1), to = unix(target);
  if (from.empty() || to.empty()) return false;
  // Wine hands back no handles for a Unix program (what it writes there
  // must not be closed) and tells neither when it has ended nor how: the
  // link is there when the system shows it.
  std::wstring ln = wide("Z:\\bin\\ln -s \"" + to + "\" \"" + from + "\"");
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, ln.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return false;
  return waitUntil(
      [&] {
        DWORD attributes = GetFileAttributesA(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      },
      std::chrono::seconds(20));
}

TEST(Installer, WritesNothingThroughALinkThatAUserPutInItsWay) {
  // Opera's plug-in folder comes from the user's own registry hive; the user
  // made it a link to another program's folder. The elevated installer
  // refuses that folder, and the run goes on with the others.
  Scenario c = {
      .what = "Opera's plug-in folder a link to another program's folder",
      .act = [](Session& s) { s.toggle(opera), pressContinue(s); },
      .boxes = {"Disk write error trying to extract vorlixa.drv (disk full?)", incompleteText},
      .outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched},
      .started = nobody,
      .exitCode = 5};
  auto other = [](const Session& s) { return s.root() + "\\Other Program"; };
  run(
      c,
      [&](Session& s) {
        ASSERT_TRUE(CreateDirectoryA(other(s).c_str(), nullptr));
        ASSERT_TRUE(RemoveDirectoryA(s.pluginDir(opera).c_str()));
        ASSERT_TRUE(makeUsersLink(s.pluginDir(opera), other(s)));
      },
      [&](Session& s) {
        EXPECT_TRUE(folderEntries(other(s)).empty()) << "written through the link";
        // Wine takes the link for a folder: it goes as a folder does.
        RemoveDirectoryA(s.pluginDir(opera).c_str());
        CreateDirectoryA(s.pluginDir(opera).c_str(), nullptr);
        RemoveDirectoryA(other(s).c_str());
      });
}

TEST(Installer, RefusesUnsafeNamesAndNeverRemovesThem) {
  // "..\secret.txt" at the archive's root names a file beside each plug-in
  // directory: not written by an installation, not deleted by a removal.
  Scenario c = {
      .what = "an unsafe entry name",
      .existing = {Existing::none, Existing::current, Existing::none},
      .payload =
          [](auto& entries) { entries.push_back(zipkit::deflatedEntry("..\\secret.txt", "evil")); },
      .initial = {1, 2, 0},
      .act = [](Session& s) { s.toggle(navigator), pressContinue(s); },
      .boxes = {"Unsafe file name trying to extract ..\\secret.txt", incompleteText},
      .outcomes = {Outcome::installed, Outcome::removed, Outcome::untouched},
      .started = nobody,
      .exitCode = 5};
  auto beside = [](const Session& s, int b) { return s.pluginDir(b) + "\\..\\secret.txt"; };
  run(
      c, [&](Session& s) { ASSERT_TRUE(writeFile(beside(s, navigator), "the user's own")); },
      [&](Session& s) {
        EXPECT_EQ(readFile(beside(s, navigator)), "the user's own");
        EXPECT_EQ(GetFileAttributesA(beside(s, firefox).c_str()), INVALID_FILE_ATTRIBUTES);
      });
}

TEST(Installer, AFullDiskIsAWriteErrorAndTheOldFilesStay) {
  // The rig maps a small file system of its own as drive S: where it may
  // mount one (scripts/wine-rig).
  ULARGE_INTEGER free = {};
  if (!GetDiskFreeSpaceExA("S:\\", &free, nullptr, nullptr))
    GTEST_SKIP() << "no small disk S: in this rig (mounting a tmpfs was not allowed)";
  const std::string dir = "S:\\vorlixa-e2e\\Plugins";
  Scenario c = {
      .what = "Navigator's plug-in directory on a full disk",
      .existing = {Existing::none, Existing::older, Existing::none},
      .initial = {1, 1, 0},
      .act = pressContinue,
      .boxes = {"Disk write error trying to extract vorlixa.drv (disk full?)", incompleteText},
      .outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched},
      .started = nobody,
      .exitCode = 5};
  struct Tidy {
    ~Tidy() {
      DeleteFileA("S:\\filler");
      removeTree("S:\\vorlixa-e2e");
    }
  } tidy;
  run(
      c,
      [&](Session&) {
        // Whatever room is left is taken by one file.
        OwnedFile filler(
            CreateFileA("S:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        std::string block(65536, 'f');
        DWORD written = 1;
        for (size_t size = block.size(); size > 0; size /= 2)
          while (
              WriteFile(filler.get(), block.data(), static_cast<DWORD>(size), &written, nullptr) &&
              written == size) {
          }
      },
      {}, dir);
}

TEST(Installer, LoadsNoLibraryPlantedBesideIt) {
  // A library under the name of each one the program loads, left beside
  // setup.exe as anyone may leave one in a Downloads folder: a whole
  // installation loads none of them. The control copy, loaded on purpose,
  // shows that a planted library that is loaded does leave its marker.
  const std::vector<std::string> names = {"version.dll", "psapi.dll"};
  auto marker = [](const std::string& library) {
    return GetFileAttributesA((library + ".loaded").c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  // Wine prefers its own build of a system library to any file of that name;
  // Windows has no such builds and searches the program's folder like any
  // other. Wine is told to do the same for setup.exe (in its own settings,
  // which a registry comparison leaves out), for psapi.dll: Wine's own system
  // libraries import version.dll as the process starts (Windows' do not), so
  // told so for version.dll it would load the planted one for itself. That
  // the program does not import version.dll is the next test's to show.
  struct NativeFirst {
    const std::string key = "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides";
    NativeFirst() { testregistry::setText(HKEY_CURRENT_USER, key, "psapi", "native,builtin"); }
    ~NativeFirst() {
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
      RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe");
    }
  };
  std::unique_ptr<NativeFirst> nativeFirst;
  run(
      scenarios()[0],
      [&](Session& s) {
        for (const std::string& name : names)
          ASSERT_TRUE(copyFile(windowsPath(PLANTED_DLL), s.root() + "\\" + name));
        nativeFirst = std::make_unique<NativeFirst>();
        std::string control = s.root() + "\\control\\planted.dll";
        testfiles::createFoldersTo(control);
        ASSERT_TRUE(copyFile(windowsPath(PLANTED_DLL), control));
        ASSERT_TRUE(OwnedLibrary(LoadLibraryA(control.c_str())));
        ASSERT_TRUE(marker(control)) << "the planted library leaves no marker";
      },
      [&](Session& s) {
        nativeFirst.reset();
        for (const std::string& name : names)
          EXPECT_FALSE(marker(s.root() + "\\" + name)) << name << " beside setup.exe was loaded";
      });
}

// The names of the libraries a program imports, read from its PE headers.
std::vector<std::string> importedLibraries(const std::string& bytes) {
  std::vector<std::string> names;
  auto at = [&](size_t offset, size_t size) { return offset + size <= bytes.size(); };
  if (!at(0, sizeof(IMAGE_DOS_HEADER))) return names;
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  if (!at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS))) return names;
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
  auto sections = IMAGE_FIRST_SECTION(nt);
  auto fileOffset = [&](DWORD rva) -> size_t {
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i)
      if (rva >= sections[i].VirtualAddress &&
          rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
        return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
    return bytes.size();
  };
  const IMAGE_DATA_DIRECTORY* dirs = nt->OptionalHeader.DataDirectory;
  size_t imports = fileOffset(dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  for (; at(imports, sizeof(IMAGE_IMPORT_DESCRIPTOR)); imports += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes.data() + imports);
    if (d->Name == 0) break;
    size_t name = fileOffset(d->Name);
    if (name < bytes.size()) names.push_back(lowerCase(bytes.c_str() + name));
  }
  return names;
}

TEST(Installer, ImportsOnlyWhatTheSystemLoadsFromItsOwnFolder) {
  // The system's known libraries are always taken from the system folder;
  // any other library is loaded at run time, by its full path there.
  const std::set<std::string> known = {
      "advapi32.dll", "comdlg32.dll", "gdi32.dll",  "kernel32.dll", "msvcrt.dll",
      "ole32.dll",    "oleaut32.dll", "rpcrt4.dll", "shell32.dll",  "user32.dll"};
  std::vector<std::string> imports = importedLibraries(readFile(windowsPath(programUnderTest())));
  ASSERT_FALSE(imports.empty());
  for (const std::string& name : imports)
    EXPECT_TRUE(known.count(name)) << name << " is imported";
}

// A computer of today: a Pale Moon-like browser of this build's machine type
// whose program folder holds browser\omni.ja, with an earlier installation
// in the program folder's plugins, which it never read; Firefox 52.9 of the
// other machine type; Firefox 128, which loads no plug-ins. Only Pale Moon is
// offered, ticked by its agent text; the plug-in lands in browser\plugins,
// a second start shows it up to date, and un-ticking removes exactly the
// root files again. The earlier installation is left alone throughout.
TEST(Installer, TodaysBrowserGetsThePluginWhereItLoadsPlugins) {
  using namespace machine;
  const Layout today{
      {geckoVersion(moz + "Pale Moon", "33.0.0 (x64 en-US)", "%ROOT%\\Pale Moon\\palemoon.exe"),
       geckoExtensions(moz + "Pale Moon 33.0.0", "%ROOT%\\Pale Moon\\palemoon.exe",
                       "%ROOT%\\Pale Moon\\plugins"),
       geckoVersion(moz32 + "Mozilla Firefox", "52.9.0 (x86 en-US)",
                    "%ROOT%\\Firefox 52\\firefox.exe"),
       geckoVersion(moz + "Mozilla Firefox", "128.0.3 (x64 en-US)",
                    "%ROOT%\\Firefox\\firefox.exe")},
      {program("Pale Moon\\palemoon.exe", "noresource"),
       textFile("Pale Moon\\browser\\omni.ja", "PK"),
       textFile("Pale Moon\\plugins\\vorlixa.drv", "installed into the unread folder\n"),
       program("Firefox 52\\firefox.exe", "ff529"), textFile("Firefox 52\\browser\\omni.ja", "PK"),
       program("Firefox\\firefox.exe", "ff128"), textFile("Firefox\\browser\\omni.ja", "PK")}};
  const std::string paleMoonAgent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:102.0) "
                                    "Gecko/20100101 Goanna/6.5 Firefox/102.0 PaleMoon/33.0.0";
  Session s("e2e-today", today,
            {{"Pale Moon 33.0.0", "%ROOT%\\Pale Moon\\palemoon.exe",
              "%ROOT%\\Pale Moon\\browser\\plugins"}},
            samplePayload(), comment(paleMoonAgent, startUrl));
  ASSERT_TRUE(s.ok());
  const std::string unread = s.expand("%ROOT%\\Pale Moon\\plugins");
  const Folder unreadBefore = readFolder(unread);
  const std::string paleMoon = s.program(0);
  // Wine runs every program elevated: the browser is started as the shell's child.
  FakeShell shell(machine::fixturePath("shell"));
  ASSERT_TRUE(shell.running());

  s.start();
  EXPECT_EQ(s.items(), std::vector<std::string>{"Pale Moon 33.0.0"});
  EXPECT_TRUE(s.showsStates({1})) << "the agent's browser, not installed: ticked";
  // The file records what detection accepted, Firefox 52.9 included.
  EXPECT_EQ(readFile(s.root() + "\\detected browsers.txt"),
            s.expand("Mozilla Firefox 52.9.0\n%ROOT%\\Firefox 52\\firefox.exe\n"
                     "%ROOT%\\Firefox 52\\browser\\plugins\n"
                     "Pale Moon 33.0.0\n%ROOT%\\Pale Moon\\palemoon.exe\n"
                     "%ROOT%\\Pale Moon\\browser\\plugins\n"));
  s.click("Continue");
  EXPECT_EQ(s.answerBox().text, "Installation complete.");
  EXPECT_EQ(s.finish(), 0u);
  expectOutcome(s, 0, Outcome::installed);
  FakeBrowserLine started = waitForFakeBrowserLine(paleMoon, 0, {"shown"}, 30000);
  std::vector<FakeBrowserLine> lines = fakeBrowserLines(paleMoon, started.pid);
  ASSERT_FALSE(lines.empty()) << "Pale Moon did not start";
  EXPECT_EQ(lines[0].field("cmdline"), "\"" + paleMoon + "\" " + startUrl);

  // Second start, with Pale Moon running: up to date; un-ticked, it is asked
  // to quit and loses the root files, and nothing is started.
  s.remember();
  s.start();
  EXPECT_EQ(s.items(), std::vector<std::string>{"Pale Moon 33.0.0"});
  EXPECT_TRUE(s.showsStates({2})) << "installed and up to date: the greyed tick";
  s.toggle(0);
  EXPECT_TRUE(s.showsStates({0}));
  s.click("Continue");
  EXPECT_EQ(s.answerBox().text, "Installation complete.");
  EXPECT_EQ(s.finish(), 0u);
  EXPECT_EQ(waitForFakeBrowserLine(paleMoon, started.pid, {"quit", "close"}).event, "quit");
  expectOutcome(s, 0, Outcome::removed);
  EXPECT_EQ(endFakeBrowsers(s.root()), 0) << "no program was started";
  EXPECT_EQ(readFolder(unread), unreadBefore);
  EXPECT_EQ(GetFileAttributesA(s.expand("%ROOT%\\Firefox 52\\browser\\plugins").c_str()),
            INVALID_FILE_ATTRIBUTES)
      << "Firefox 52.9 of the other machine type is never touched";
  EXPECT_TRUE(s.registryUnchanged());
}

TEST(Installer, ASignedSetupFindsItsArchiveAndInstalls) {
  // The sample setup signed by the packer: the signature's certificate table
  // follows the archive, at the end of the file, where the headers say.
  const std::string signedSetup = readFile(windowsPath(SIGNED_SETUP_EXE));
  PeImage::Directory table = PeImage(signedSetup).directory(pe::securityDirectory);
  ASSERT_GT(table.size, pe::certificateHeader) << "the sample is not signed";
  EXPECT_EQ(size_t{table.address} + table.size, signedSetup.size());
  EXPECT_NE(signedSetup.rfind("PK\5\6", table.address), std::string::npos);

  Session s("e2e-signed", {Existing::none, Existing::none, Existing::none}, samplePayload(),
            comment(firefoxAgent, startUrl));
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(writeFile(s.root() + "\\setup.exe", signedSetup));
  s.start();
  ASSERT_NE(s.window(), nullptr) << "no window: the archive was not found";
  EXPECT_TRUE(s.showsStates({1, 0, 0})) << "the agent's browser pre-ticked";
  pressContinue(s);
  EXPECT_EQ(s.answerBox().text, "Installation complete.");
  EXPECT_EQ(s.finish(), 0u);
  // The files of the folder the sample was packed from, bar the install
  // scripts, in Firefox's plug-in directory; the other two untouched.
  const std::string payload = windowsPath(SAMPLE_PAYLOAD);
  std::map<std::string, std::string> expected;
  for (const char* name : {"vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"})
    expected[name] = readFile(payload + "\\" + name);
  expected["npvorlixa.dll"] = readFile(payload + "\\plugins\\npvorlixa.dll");
  std::map<std::string, std::string> installed;
  for (const auto& [name, state] : readFolder(s.pluginDir(firefox)))
    installed[name] = state.bytes;
  EXPECT_TRUE(installed == expected) << installed.size() << " files in Firefox's directory";
  EXPECT_TRUE(readFolder(s.pluginDir(navigator)).empty());
  EXPECT_TRUE(readFolder(s.pluginDir(opera)).empty());
}

} // namespace
} // namespace e2e

namespace {

// The built programs: this build's, and the shipped 32-bit one of the win32
// build folder (which Wine reads as data as well).
const char* const builtPrograms[] = {INSTALLER_EXE, INSTALLER32_EXE};

// A resource of a built program, as bytes; empty when it has none.
std::string programResource(const char* path, const char* type, const char* name) {
  OwnedLibrary program = e2e::programAsData(path);
  HRSRC found = program ? FindResourceA(program.get(), name, type) : nullptr;
  std::string bytes;
  if (found)
    bytes.assign(static_cast<const char*>(LockResource(LoadResource(program.get(), found))),
                 SizeofResource(program.get(), found));
  return bytes;
}

// A text of the version resource's US English, Windows Latin-1 block.
std::string versionText(const std::string& version, const char* field) {
  void* value = nullptr;
  UINT length = 0;
  std::string path = std::string("\\StringFileInfo\\040904E4\\") + field;
  if (!VerQueryValueA(version.data(), path.c_str(), &value, &length) || length == 0) return {};
  return std::string(static_cast<const char*>(value), length - 1);
}

} // namespace

TEST(Program, ManifestAsksForAdministratorRightsAndNamesVistaToCurrent) {
  for (const char* path : builtPrograms) {
    SCOPED_TRACE(path);
    std::string manifest = programResource(path, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(manifest.empty()) << "build the win32 preset first";
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\""),
              std::string::npos);
    // Vista, 7, 8, 8.1, and 10 with 11.
    for (const char* os :
         {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
      EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos)
          << os;
    // The layout is in fixed pixels: the system must scale it.
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
  }
}

TEST(Program, VersionResourceNamesTheProductAndVersion) {
  for (const char* program : builtPrograms) {
    SCOPED_TRACE(program);
    DWORD ignored = 0;
    std::string path = uidriver::windowsPath(program);
    std::string version(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    ASSERT_FALSE(version.empty()) << "build the win32 preset first";
    ASSERT_TRUE(
        GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    EXPECT_EQ(versionText(version, "ProductName"), "Vorlixa Plugin");
    EXPECT_EQ(versionText(version, "FileDescription"), "Vorlixa Plugin Installer");
    EXPECT_EQ(versionText(version, "ProductVersion"), "1.0.0.0");
    EXPECT_EQ(versionText(version, "FileVersion"), "1.0.0.0");
  }
}
