// The end-to-end session of tests/e2e/installer.h: making the computer and the
// setup program, starting and driving the installer, reading what it shows
// and what it leaves behind.
#include "installer/texts.h"
#include "tests/driver/windowwatch.h"
#include "tests/e2e/installer.h"
#include "tests/util/wait.h"

namespace e2e {
namespace {

using namespace uidriver;

// The root files that an installation writes and a removal deletes.
const std::vector<std::string> rootNames = {"vorlixa.drv", "vorlixa.ini", "vorlixa.xpt"};

machine::Layout threeBrowsers(const std::string& navigatorPlugins) {
  using namespace machine;
  const std::string fox = moz + "Mozilla Firefox";
  return {{lm(nav, "CurrentVersion", "4.79 (en)"),
           lm(nav + "\\4.79 (en)\\Main", "Install Directory", "%ROOT%\\Netscape\\Communicator"),
           lm(nav + "\\4.79 (en)\\Main", "Plugins Directory",
              navigatorPlugins.empty() ? "%ROOT%\\Netscape\\Communicator\\Program\\Plugins"
                                       : navigatorPlugins),
           geckoVersion(fox, "1.5 (en-US)", "%ROOT%\\Mozilla Firefox\\firefox.exe"),
           geckoExtensions(fox + " 1.5", "%ROOT%\\Mozilla Firefox\\firefox.exe",
                           "%ROOT%\\Mozilla Firefox\\plugins"),
           cu(machine::opera, "Last Directory", "%ROOT%\\Program Files\\Opera\\"),
           cu(machine::opera, "Plugin Path", "%ROOT%\\Program Files\\Opera\\Program\\Plugins"),
           cu(machine::opera, "Last CommandLine", "%ROOT%\\Program Files\\Opera\\Opera.exe")},
          {program("Netscape\\Communicator\\Program\\netscape.exe", "noresource"),
           program("Mozilla Firefox\\firefox.exe", "ff15"),
           program("Program Files\\Opera\\Opera.exe", "opera850")}};
}

std::string payloadFile(const std::string& name) {
  return readFile(windowsPath(std::string(TEST_SOURCE_DIR) + "/fixtures/payload/" + name));
}

std::string pluginLibrary(Existing kind) {
  std::string path =
      kind == Existing::older ? std::string(FIXTURE_DIR) + "/npold.dll" : std::string(PLUGIN_DLL);
  return readFile(windowsPath(path));
}

FILETIME fileTime(WORD year, WORD month, WORD day) {
  SYSTEMTIME s = {year, month, 0, day, 3, 4, 6, 0};
  FILETIME t = {};
  SystemTimeToFileTime(&s, &t);
  return t;
}

// The last-write time an extracted entry gets: its DOS time read as local time.
FILETIME entryTime() {
  FILETIME local = {}, utc = {};
  DosDateTimeToFileTime(zipkit::sampleDosDate, zipkit::sampleDosTime, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

void writeFileAt(const std::string& path, const std::string& bytes, const FILETIME& time) {
  EXPECT_TRUE(writeFile(path, bytes)) << path;
  SetFileTime(openFile(path, FILE_WRITE_ATTRIBUTES, 0).get(), nullptr, nullptr, &time);
}

} // namespace

const std::vector<BrowserSpec>& browserSpecs() {
  static const std::vector<BrowserSpec> specs = {
      {"Mozilla Firefox 1.5.0.1", "%ROOT%\\Mozilla Firefox\\firefox.exe",
       "%ROOT%\\Mozilla Firefox\\plugins"},
      {"Netscape Navigator 4.79 (en)", "%ROOT%\\Netscape\\Communicator\\Program\\netscape.exe",
       "%ROOT%\\Netscape\\Communicator\\Program\\Plugins"},
      {"Opera 8.50", "%root%\\program files\\opera\\Opera.exe",
       "%root%\\program files\\opera\\Program\\Plugins"}};
  return specs;
}

std::vector<zipkit::Entry> samplePayload() {
  std::vector<zipkit::Entry> entries;
  for (const char* name :
       {"vorlixa.drv", "vorlixa.ini", "vorlixa.xpt", "install.js", "install.rdf"})
    entries.push_back(zipkit::deflatedEntry(name, payloadFile(name)));
  entries.push_back(zipkit::folderEntry("plugins/"));
  entries.push_back(
      zipkit::deflatedEntry("plugins/npvorlixa.dll", pluginLibrary(Existing::current)));
  return entries;
}

std::string programUnderTest() {
  const char* named = getenv("INSTALLER_UNDER_TEST");
  return named && *named ? named : INSTALLER_EXE;
}

std::string comment(const std::string& agent, const std::string& url) {
  return "agent: " + agent + "\nurl: " + url + "\n";
}

Folder readFolder(const std::string& dir) {
  Folder folder;
  for (const WIN32_FIND_DATAA& found : folderEntries(dir))
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      folder[found.cFileName] = {readFile(dir + "\\" + found.cFileName), found.ftLastWriteTime};
  return folder;
}

Session::Session(const std::string& name, const std::vector<Existing>& existing,
                 const std::vector<zipkit::Entry>& payload, const std::string& settings,
                 const std::string& navigatorPlugins)
    : installed_(threeBrowsers(navigatorPlugins), name), browsers_(browserSpecs()),
      navigatorPlugins_(navigatorPlugins) {
  if (!installed_.ok()) return;
  for (int b = 0; b < browserCount; ++b) {
    std::string dir = pluginDir(b);
    testfiles::createFoldersTo(dir + "\\");
    if (b >= static_cast<int>(existing.size()) || existing[b] == Existing::none) continue;
    FILETIME old = fileTime(2001, 1, 2);
    writeFileAt(dir + "\\install.rdf", "the browser's own\n", old);
    if (existing[b] == Existing::foreign) continue;
    for (const std::string& file : rootNames)
      writeFileAt(dir + "\\" + file, file + " as installed before\n", old);
    writeFileAt(dir + "\\npvorlixa.dll", pluginLibrary(existing[b]), old);
  }
  writeSetup(payload, settings);
}

Session::Session(const std::string& name, const machine::Layout& layout,
                 std::vector<BrowserSpec> browsers, const std::vector<zipkit::Entry>& payload,
                 const std::string& settings)
    : installed_(layout, name), browsers_(std::move(browsers)) {
  if (installed_.ok()) writeSetup(payload, settings);
}

void Session::writeSetup(const std::vector<zipkit::Entry>& payload, const std::string& settings) {
  setup_ = root() + "\\setup.exe";
  std::string stub = readFile(windowsPath(programUnderTest()));
  ok_ = stub.starts_with("MZ") && writeFile(setup_, stub + zipkit::buildZip(payload, settings));
}

std::string Session::pluginDir(int browser) const {
  if (browser == navigator && !navigatorPlugins_.empty()) return navigatorPlugins_;
  return expand(browsers_[browser].plugins);
}

Session::~Session() {
  process_.kill();
  endFakeBrowsers(root());
}

void Session::remember() {
  before_.clear();
  for (int b = 0; b < static_cast<int>(browsers_.size()); ++b)
    before_.push_back(readFolder(pluginDir(b)));
  machineRegistry_ = testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software");
  userRegistry_ = testregistry::snapshot(HKEY_CURRENT_USER, "Software");
}

void Session::start(bool window) {
  if (before_.empty()) remember();
  process_ = Process::start("\"" + setup_ + "\"", root());
  ASSERT_TRUE(process_.running());
  if (!window) return;
  window_ = waitForWindow(process_.id(), installerClassName, "", 30000);
  ASSERT_NE(window_, nullptr) << "the installer's window did not open";
  // The window shows before its controls are made and the list is filled.
  waitUntil([&] { return SendMessageA(control(""), LB_GETCOUNT, 0, 0) > 0; },
            std::chrono::seconds(20));
}

DWORD Session::runWatched(const std::string& arguments, std::vector<std::string>& windows) {
  if (before_.empty()) remember();
  process_ = Process::startHeld("\"" + setup_ + "\" " + arguments, root());
  EXPECT_TRUE(process_.running());
  WindowWatch watch(process_.id());
  EXPECT_TRUE(watch.ok()) << "no window-event hook";
  process_.resume();
  DWORD code = watch.waitForExit(process_, 60000);
  windows = watch.windows();
  return code;
}

HWND Session::control(const std::string& caption) const {
  for (const WindowInfo& child : childWindows(window_))
    if (caption.empty() ? child.className == "ListBox" : child.caption == caption)
      return child.handle;
  return nullptr;
}

std::vector<std::string> Session::items() const {
  return listItems(control(""));
}

std::vector<int> Session::shownStates() const {
  return shownCheckStates(control(""));
}

bool Session::showsStates(const std::vector<int>& states) const {
  return waitUntil([&] { return shownStates() == states; }, std::chrono::seconds(20));
}

void Session::toggle(int item) const {
  HWND list = control("");
  auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  LPARAM at = MAKELPARAM(2, item * height + height / 2);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
}

void Session::click(const std::string& caption) const {
  EXPECT_TRUE(clickControl(window_, caption)) << caption;
}

MessageBoxInfo Session::answerBox() {
  HWND box = nullptr;
  waitUntil(
      [&] {
        for (const WindowInfo& w : topLevelWindows(process_.id()))
          if (!box && w.visible && w.className == "#32770" && !answered_.count(w.handle))
            box = w.handle;
        return box != nullptr;
      },
      std::chrono::seconds(30));
  if (!box) return {};
  answered_.insert(box);
  MessageBoxInfo info = readMessageBox(box);
  clickControl(box, "OK");
  return info;
}

DWORD Session::finish() {
  return process_.wait(30000);
}

bool Session::registryUnchanged() const {
  return testregistry::snapshot(HKEY_LOCAL_MACHINE, "Software") == machineRegistry_ &&
         testregistry::snapshot(HKEY_CURRENT_USER, "Software") == userRegistry_;
}

void expectQuitWhereChanged(const Session& session, std::vector<Process>& running,
                            const std::vector<int>& browsers,
                            const std::vector<Outcome>& outcomes) {
  for (size_t r = 0; r < browsers.size(); ++r) {
    int b = browsers[r];
    pingFakeBrowser(running[r].id());
    FakeBrowserLine line =
        waitForFakeBrowserLine(session.program(b), running[r].id(), {"quit", "ping"});
    bool changed = outcomes[b] != Outcome::untouched;
    EXPECT_EQ(line.event, changed ? "quit" : "ping") << browserSpecs()[b].name;
    running[r].kill();
  }
}

void expectOutcome(const Session& session, int browser, Outcome outcome) {
  Folder expected = session.before(browser);
  if (outcome == Outcome::library)
    for (const std::string& name : rootNames)
      expected.erase(name);
  if (outcome == Outcome::installed || outcome == Outcome::firstFile ||
      outcome == Outcome::drivers || outcome == Outcome::library) {
    for (const zipkit::Entry& e : samplePayload()) {
      std::string name = e.name.substr(e.name.find('/') + 1);
      if (name.empty() || name.ends_with(".js") || name.ends_with(".rdf")) continue;
      if (outcome == Outcome::drivers && name.ends_with(".dll")) continue;
      if (outcome == Outcome::library && !name.ends_with(".dll")) continue;
      expected[name] = {e.original, entryTime()};
      if (outcome == Outcome::firstFile) break;
    }
  } else if (outcome == Outcome::removed) {
    for (const std::string& name : rootNames)
      expected.erase(name);
  }
  Folder after = readFolder(session.pluginDir(browser));
  const std::string& browserName = session.browsers()[browser].name;
  EXPECT_EQ(after.size(), expected.size()) << browserName;
  for (const auto& [name, state] : expected) {
    auto found = after.find(name);
    if (found == after.end())
      ADD_FAILURE() << browserName << ": " << name << " is missing";
    else
      EXPECT_TRUE(found->second == state) << browserName << ": " << name << " is not as expected";
  }
}

HWND waitForLoneErrorBox(const Process& installer, MessageBoxInfo& info) {
  HWND box = waitForWindow(installer.id(), "#32770", "", 20000);
  if (!box) return nullptr;
  info = readMessageBox(box);
  EXPECT_EQ(info.caption, "Install Error");
  EXPECT_EQ(info.owner, nullptr);
  EXPECT_TRUE(info.errorIcon);
  int boxes = 0;
  for (const WindowInfo& w : topLevelWindows(installer.id())) {
    EXPECT_NE(w.className, installerClassName) << "the installer window must not open";
    if (w.visible && w.className == "#32770") ++boxes;
  }
  EXPECT_EQ(boxes, 1);
  return box;
}

} // namespace e2e
