// Running-browser detection against real processes: fake browsers started
// from folders around a plug-in directory, and which of them are asked to
// quit. A program that is not asked answers a ping posted afterwards with no
// "quit" before it, which proves that no WM_QUIT reached it.
#include "installer/processes.h"
#include "tests/detect/machine.h"
#include "tests/driver/fakebrowsers.h"
#include "util/text.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using namespace uidriver;
using Events = std::vector<std::string>;

class RunningBrowsers : public testing::Test {
protected:
  void SetUp() override { initProcessApi(); }
  void TearDown() override { freeProcessApi(); }

  // Places the fake browser at relativePath, unless it is there already (a
  // running program cannot be replaced), and starts it.
  Process start(const std::string& relativePath, std::string& exe) {
    exe = folder_.root() + "\\" + relativePath;
    if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
      exe = folder_.place(machine::fixturePath("ff15"), relativePath);
    return exe.empty() ? Process() : startFakeBrowser(exe);
  }

  FakeBrowserFolder folder_{"procs"};
};

std::set<HWND> windowsOf(DWORD pid) {
  std::set<HWND> handles;
  for (const WindowInfo& w : topLevelWindows(pid))
    handles.insert(w.handle);
  return handles;
}

HWND loggedWindow(const FakeBrowserLine& quit) {
  return reinterpret_cast<HWND>(
      static_cast<uintptr_t>(std::stoull(quit.field("hwnd"), nullptr, 16)));
}

struct Program {
  std::string path; // below the folder
  bool quits;
};

// The plug-in directory is %ROOT%\Opera Beta\Program\Plugins, given in other
// letter cases than the folders on disk, as detection may give it.
const std::vector<Program> programs = {
    {"Opera Beta\\Opera.exe", true},                         // the browser's own folder
    {"Opera Beta\\Opera.exe", true},                         // a second process of it
    {"Opera Beta\\Program\\helper.exe", true},               // a folder on the way
    {"OPERA BETA\\program\\Helper2.EXE", true},              // started in other cases
    {"Opera Beta\\Program\\Plugins\\plugin-host.exe", true}, // the directory itself
    {"Opera\\Opera.exe", true},                              // a sibling: a text prefix only
    {"tool.exe", true},                                      // directly in a folder on the way
    {"Opera Beta2\\Opera.exe", false},                       // a longer name
    {"Opera Beta\\Program\\Plugins\\sub\\x.exe", false},     // below the directory
    {"Mozilla Firefox\\firefox.exe", false},                 // elsewhere
};

TEST_F(RunningBrowsers, ProgramsOnTheWayToThePluginDirectoryAreAskedToQuit) {
  struct Started {
    const Program& program;
    std::string exe;
    Process process;
    std::set<HWND> windows;
  };
  std::vector<Started> started;
  for (const Program& p : programs) {
    std::string exe;
    Process process = start(p.path, exe);
    ASSERT_TRUE(process.running()) << p.path;
    std::set<HWND> windows = windowsOf(process.id());
    started.push_back({p, exe, std::move(process), windows});
  }

  closeRunningBrowsers(folder_.root() + "\\OPERA beta\\program\\PLUGINS");
  for (Started& s : started)
    pingFakeBrowser(s.process.id()); // one asked to quit takes the quit first

  for (Started& s : started) {
    DWORD pid = s.process.id();
    FakeBrowserLine answer = waitForFakeBrowserLine(s.exe, pid, {"quit", "ping"});
    if (s.program.quits) {
      EXPECT_EQ(fakeBrowserEvents(s.exe, pid), (Events{"start", "shown", "quit"})) << s.exe;
      if (answer.event == "quit") {
        EXPECT_EQ(s.windows.count(loggedWindow(answer)), 1u) << "posted to a window of it";
      }
      EXPECT_EQ(s.process.wait(60000), 0u) << s.exe << " ended";
    } else {
      EXPECT_EQ(fakeBrowserEvents(s.exe, pid), (Events{"start", "shown", "ping"})) << s.exe;
      EXPECT_TRUE(s.process.running()) << s.exe;
    }
  }
}

// The windows that quit messages in this thread's queue were posted to.
std::set<HWND> takeQuits() {
  std::set<HWND> windows;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    windows.insert(msg.hwnd);
  return windows;
}

TEST_F(RunningBrowsers, TheInstallerNeverAsksItselfToQuit) {
  HWND window = CreateWindowA("STATIC", "installer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(window);
  char self[MAX_PATH];
  std::string program(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  std::string dir = executableFolder(program) + "\\Plugins";
  ASSERT_TRUE(runsFromPathTo(program, upperCase(dir))) << "this program leads to " << dir;

  closeRunningBrowsers(dir);
  EXPECT_EQ(takeQuits(), std::set<HWND>{});
  // The check can see a quit: asked directly, the process gets one.
  quitProcessWindows(GetCurrentProcessId());
  EXPECT_EQ(takeQuits().count(window), 1u);
  DestroyWindow(window);
}

TEST_F(RunningBrowsers, ImagePathsAreFullPathsOrEmpty) {
  EXPECT_TRUE(isNT);
  std::string exe;
  Process browser = start("Opera\\Opera.exe", exe);
  ASSERT_TRUE(browser.running());
  EXPECT_EQ(lstrcmpiA(processImagePath(browser.id()).c_str(), exe.c_str()), 0)
      << processImagePath(browser.id());
  char self[MAX_PATH];
  DWORD len = GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_EQ(processImagePath(GetCurrentProcessId()), std::string(self, len));
  EXPECT_EQ(processImagePath(0), "");

  DWORD ended = browser.id();
  browser.kill();
  // Held open by the Process object, the id is not taken by another process.
  EXPECT_EQ(processImagePath(ended), "");
}

TEST_F(RunningBrowsers, QuitProcessWindowsPostsToEveryWindowOnEitherFamily) {
  for (bool nt : {true, false}) {
    isNT = nt; // EnumDesktopWindows, then EnumWindows
    std::string exe;
    Process browser = start(nt ? "nt\\Opera.exe" : "other\\Opera.exe", exe);
    ASSERT_TRUE(browser.running());
    quitProcessWindows(browser.id());
    EXPECT_EQ(waitForFakeBrowserLine(exe, browser.id(), {"quit"}).event, "quit") << nt;
    EXPECT_EQ(browser.wait(60000), 0u) << nt;
  }
}

TEST_F(RunningBrowsers, ABrowserThatRefusesMemoryReadingIsAskedToQuit) {
  std::string exe = folder_.place(machine::fixturePath("ff15"), "Guarded\\browser.exe");
  Process browser = startFakeBrowser(exe, "-deny-memory-read");
  ASSERT_TRUE(browser.running());
  // The refusal holds: the rights GetModuleFileNameExA needs are not granted.
  OwnedKernelHandle denied(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, browser.id()));
  EXPECT_FALSE(denied);
  EXPECT_EQ(lstrcmpiA(processImagePath(browser.id()).c_str(), exe.c_str()), 0);

  closeRunningBrowsers(folder_.root() + "\\Guarded\\Plugins");
  EXPECT_EQ(waitForFakeBrowserLine(exe, browser.id(), {"quit"}).event, "quit");
  EXPECT_EQ(browser.wait(60000), 0u);
}

// The cases in which every failure means that nothing is closed.
TEST_F(RunningBrowsers, NothingIsClosedWithoutTheSystemsHelp) {
  std::string exe;
  Process browser = start("Opera\\Opera.exe", exe);
  ASSERT_TRUE(browser.running());
  std::string dir = folder_.root() + "\\Opera\\Program\\Plugins";

  // Off the NT family the snapshot's name is the path; this system gives a
  // bare file name there, which has no folder.
  isNT = false;
  closeRunningBrowsers(dir);
  isNT = true;
  // After the shut-down every function is gone, as on a system without them.
  freeProcessApi();
  closeRunningBrowsers(dir);
  EXPECT_EQ(processImagePath(browser.id()), "");

  ASSERT_TRUE(pingFakeBrowser(browser.id()));
  waitForFakeBrowserLine(exe, browser.id(), {"ping"});
  EXPECT_EQ(fakeBrowserEvents(exe, browser.id()), (Events{"start", "shown", "ping"}));

  // Started again, the same call closes it.
  initProcessApi();
  closeRunningBrowsers(dir);
  EXPECT_EQ(waitForFakeBrowserLine(exe, browser.id(), {"quit"}).event, "quit");
}

} // namespace
