// The installer doing its whole job, one scenario per row: a computer with
// Firefox 1.5, Netscape Navigator 4.79 and Opera 8.50, some with the plug-in
// installed already, a user who ticks, un-ticks and presses buttons, and what
// the user and the computer see afterwards: the message boxes, the files of
// every plug-in directory with their times, which browser was started with
// which command line, which running programs were asked to quit, and a
// registry left as it was.
#include "tests/detect/association.h"
#include "tests/e2e/installer.h"

namespace e2e {
namespace {

using namespace uidriver;

constexpr int defaultBrowser = 3; // started through the "http" association
constexpr int htmlViewer = 4;     // started through the ".html" fall-back
constexpr int nobody = -1;

const std::string defaultProgram = "%ROOT%\\Default Browser\\browser.exe";
const std::string viewerProgram = "%ROOT%\\Html Viewer\\viewer.exe";

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
};

void pressContinue(Session& s) {
  s.click("Continue");
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
       .started = nobody},
      {.what = "ESC ends without a change",
       .act = [](Session& s) { sendKey(s.window(), Key::escape); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody},
      {.what = "the close box ends without a change",
       .act = [](Session& s) { PostMessageA(s.window(), WM_SYSCOMMAND, SC_CLOSE, 0); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody},
      {.what = "TAB goes list, Continue, Set All, Cancel, list; Enter presses Continue",
       .act =
           [](Session& s) {
             auto focus = [&] { return focusedControl(s.window()); };
             for (const char* next : {"Continue", "Set All", "Cancel", ""}) {
               sendKey(s.window(), Key::tab);
               for (int i = 0; i < 400 && focus() != s.control(next); ++i)
                 Sleep(50);
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
      {.what = "a damaged entry: its CRC error, then the run goes on",
       .payload = [](auto& entries) { entries[1].data = zipkit::storedDeflate("damaged"); },
       .act = pressContinue,
       .boxes = {"CRC error trying to extract vorlixa.ini", "Installation complete."},
       .outcomes = {Outcome::firstFile, Outcome::untouched, Outcome::untouched}},
      {.what = "a plug-in library without a version: the caption ends in \" v\"",
       .existing = {Existing::older, Existing::none, Existing::none},
       .payload =
           [](auto& entries) {
             entries.back() = zipkit::deflatedEntry(
                 "plugins/npvorlixa.dll",
                 readFile(windowsPath(std::string(FIXTURE_DIR) + "/npnoversion.dll")));
           },
       .caption = "Vorlixa Plugin Installer v",
       .initial = {2, 0, 0},
       .act = [](Session& s) { s.click("Cancel"); },
       .boxes = {},
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody},
      {.what = "a plug-in library that cannot be extracted: \"???\"",
       .payload = [](auto& entries) { entries.back().method = 9; },
       .caption = "Vorlixa Plugin Installer v???",
       .act = pressContinue,
       .boxes = {"Fatal error #6 trying to extract npvorlixa.dll", "Installation complete."},
       .outcomes = {Outcome::drivers, Outcome::untouched, Outcome::untouched}},
      {.what = "Continue pressed again during the run is ignored",
       .act = [](Session& s) { pressContinue(s), pressContinue(s); }},
      {.what = "Set All during the run ticks the browsers the run has yet to reach",
       .act = [](Session& s) { pressContinue(s), s.click("Set All"); },
       .outcomes = {Outcome::installed, Outcome::installed, Outcome::installed}},
      {.what = "Cancel during the run: each extraction stops after its first entry",
       .act = [](Session& s) { s.toggle(navigator), pressContinue(s), s.click("Cancel"); },
       .outcomes = {Outcome::firstFile, Outcome::firstFile, Outcome::untouched}},
      {.what = "closing the window during the run: nothing more is extracted, no browser starts",
       .existing = {Existing::none, Existing::older, Existing::none},
       .initial = {1, 1, 0},
       .act =
           [](Session& s) {
             pressContinue(s);
             PostMessageA(s.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
           },
       .outcomes = {Outcome::untouched, Outcome::untouched, Outcome::untouched},
       .started = nobody,
       .ownedBoxes = false},
  };
  return all;
}

std::string programOf(const Session& s, int started) {
  if (started == defaultBrowser) return s.expand(defaultProgram);
  if (started == htmlViewer) return s.expand(viewerProgram);
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
  for (const std::string& program : {defaultProgram, viewerProgram}) {
    machine::createFolders(s.root(), program.substr(7));
    ASSERT_TRUE(copyFile(machine::fixturePath("ff15"), s.expand(program)));
  }
  testregistry::ScopedAssociations associations({"http", ".html", "VorlixaTestPage"});
  associations.setDefaultVerb("http", "open");
  associations.setVerbCommand("http", "open", s.expand(c.httpCommand));
  associations.setDefault(".html", "VorlixaTestPage");
  associations.setVerbCommand("VorlixaTestPage", "open",
                              "\"" + s.expand(viewerProgram) + "\" \"%1\"");

  s.remember();
  if (beforeStart) beforeStart(s);
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
    bool done = text.starts_with("Installation complete");
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, done ? "Installation Complete" : "Install Error");
    EXPECT_TRUE(done ? box.informationIcon : box.errorIcon) << text;
    EXPECT_EQ(box.owner, c.ownedBoxes ? s.window() : nullptr) << text;
  }
  EXPECT_EQ(s.finish(), 0u);
  if (afterEnd) afterEnd(s);

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

  // The banner at 10, 10, its own size, its background in the button face.
  HMODULE program =
      LoadLibraryExA(windowsPath(INSTALLER_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HBITMAP banner = LoadBitmapA(program, MAKEINTRESOURCEA(10));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, banner);
  Picture picture = capture(dc, 0, 0, 112, 218);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(banner);
  FreeLibrary(program);
  uint32_t key = picture.at(0, 0);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (uint32_t& p : picture.pixels)
    if (p == key) p = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
  POINT origin = {10, 10};
  ClientToScreen(s.window(), &origin);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(capture(screen, origin.x, origin.y, 112, 218), picture);
  ReleaseDC(nullptr, screen);

  std::string shot = std::string(TEST_BINARY_DIR) + "/installer-window.png";
  EXPECT_TRUE(writePng(windowsPath(shot), captureScreen(s.window())));
  std::printf("screenshot: %s\n", shot.c_str());
  s.click("Cancel");
  EXPECT_EQ(s.finish(), 0u);
}

class Scenarios : public ::testing::TestWithParam<size_t> {};

TEST_P(Scenarios, DoWhatTheUserAsked) {
  run(scenarios()[GetParam()]);
}

INSTANTIATE_TEST_SUITE_P(Installer, Scenarios, ::testing::Range(size_t{0}, scenarios().size()));

TEST(Installer, AsksProgramsOnTheWayToThePluginDirectoryToQuit) {
  // Programs running from Opera's folder, from a folder whose name merely
  // starts like it, and from elsewhere; Opera's installation is replaced.
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
        for (auto [where, quits] : {std::pair{"Program Files\\Opera\\OperaHelper.exe", true},
                                    {"Program Files\\Op\\helper.exe", true},
                                    {"Other\\elsewhere.exe", false}}) {
          machine::createFolders(s.root(), where);
          std::string path = s.root() + "\\" + where;
          ASSERT_TRUE(copyFile(machine::fixturePath("opera850"), path));
          running.push_back({path, quits, startFakeBrowser(path)});
          ASSERT_TRUE(running.back().process.running()) << path;
        }
      },
      [&](Session& s) {
        for (Running& r : running) {
          // Taken in order: a ping answered with no quit before it proves none came.
          pingFakeBrowser(r.process.id());
          FakeBrowserLine line = waitForFakeBrowserLine(r.path, r.process.id(), {"quit", "ping"});
          EXPECT_EQ(line.event, r.quits ? "quit" : "ping") << r.path;
        }
        endFakeBrowsers(s.root() + "\\Other");
      });
}

TEST(Installer, ATargetHeldOpenIsAWriteErrorAndStaysAsItWas) {
  HANDLE held = INVALID_HANDLE_VALUE;
  Scenario c = {.what = "Navigator's plug-in library held open without sharing",
                .existing = {Existing::none, Existing::older, Existing::none},
                .initial = {1, 1, 0},
                .act = pressContinue,
                .boxes = {"Disk write error trying to extract npvorlixa.dll (disk full?)",
                          "Installation complete."},
                .outcomes = {Outcome::installed, Outcome::drivers, Outcome::untouched}};
  run(
      c,
      [&](Session& s) {
        std::string library = s.pluginDir(navigator) + "\\npvorlixa.dll";
        held = CreateFileA(library.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
      },
      [&](Session&) { CloseHandle(held); });
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
      .boxes = {"Unsafe file name trying to extract ..\\secret.txt", "Installation complete."},
      .outcomes = {Outcome::installed, Outcome::removed, Outcome::untouched}};
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
  Scenario c = {.what = "Navigator's plug-in directory on a full disk",
                .existing = {Existing::none, Existing::older, Existing::none},
                .initial = {1, 1, 0},
                .act = pressContinue,
                .boxes = {"Disk write error trying to extract vorlixa.drv (disk full?)",
                          "Installation complete."},
                .outcomes = {Outcome::installed, Outcome::untouched, Outcome::untouched}};
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
        HANDLE filler =
            CreateFileA("S:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        std::string block(65536, 'f');
        DWORD written = 1;
        for (size_t size = block.size(); size > 0; size /= 2)
          while (WriteFile(filler, block.data(), static_cast<DWORD>(size), &written, nullptr) &&
                 written == size) {
          }
        CloseHandle(filler);
      },
      {}, dir);
}

} // namespace
} // namespace e2e

namespace {

// A resource of the built program, as bytes; empty when it has none.
std::string programResource(const char* type, const char* name) {
  HMODULE program = LoadLibraryExA(uidriver::windowsPath(INSTALLER_EXE).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = program ? FindResourceA(program, name, type) : nullptr;
  std::string bytes;
  if (found)
    bytes.assign(static_cast<const char*>(LockResource(LoadResource(program, found))),
                 SizeofResource(program, found));
  if (program) FreeLibrary(program);
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
  std::string manifest = programResource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
  ASSERT_FALSE(manifest.empty());
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

TEST(Program, VersionResourceNamesTheProductAndVersion) {
  DWORD ignored = 0;
  std::string path = uidriver::windowsPath(INSTALLER_EXE);
  std::string version(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(
      GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
  EXPECT_EQ(versionText(version, "ProductName"), "Vorlixa Plugin");
  EXPECT_EQ(versionText(version, "FileDescription"), "Vorlixa Plugin Installer");
  EXPECT_EQ(versionText(version, "ProductVersion"), "1.0.0.0");
  EXPECT_EQ(versionText(version, "FileVersion"), "1.0.0.0");
}
