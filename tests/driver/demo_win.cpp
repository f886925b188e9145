// Drives the installer headlessly for `make demo`, the way a user would, and
// tells in the terminal what happened: the window and its check-list (with a
// screenshot), one more browser ticked, "Continue", every message box, and
// afterwards what landed in each browser's plug-in directory and which
// browser was started with which command line.
//
//   uidemo setup.exe screenshot.png
#include "installer/texts.h"
#include "tests/driver/fakebrowsers.h"
#include "tests/driver/process.h"
#include "tests/driver/screenshot.h"
#include "tests/driver/uidriver.h"
#include "tests/util/wait.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace uidriver;

namespace {

const char* const marks[] = {"[ ]", "[x]", "[#]"}; // no tick, tick, greyed tick

void showList(HWND list) {
  std::vector<std::string> items = listItems(list);
  std::vector<int> states = shownCheckStates(list);
  for (size_t i = 0; i < items.size(); ++i) {
    int s = i < states.size() ? states[i] : -1;
    std::printf("    %s %s\n", s >= 0 ? marks[s] : "[?]", items[i].c_str());
  }
}

// Waits until the list shows a glyph for every item (it paints after it shows).
bool painted(HWND list) {
  return waitUntil(
      [&] {
        std::vector<int> states = shownCheckStates(list);
        return !states.empty() && std::find(states.begin(), states.end(), -1) == states.end();
      },
      std::chrono::seconds(10));
}

// The child of this class, or of "class:caption".
HWND childOf(HWND window, const std::string& name) {
  for (const WindowInfo& c : childWindows(window))
    if (c.className == name || c.className + ":" + c.caption == name) return c.handle;
  return nullptr;
}

void describeFolder(const std::string& dir) {
  bool any = false;
  for (const WIN32_FIND_DATAA& found : folderEntries(dir)) {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FILETIME local;
    SYSTEMTIME t;
    FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &t);
    std::printf("      %-16s %8lu bytes  %04d-%02d-%02d %02d:%02d:%02d\n", found.cFileName,
                found.nFileSizeLow, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    any = true;
  }
  if (!any) std::printf("      (empty)\n");
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: uidemo setup.exe screenshot.png [shell.exe]\n");
    return 2;
  }
  // Paths may come as the host gives them; the installer gets them as
  // Windows shows them.
  auto asWindowsPath = [](std::string path) { return path[0] == '/' ? windowsPath(path) : path; };
  std::string setup = asWindowsPath(argv[1]);
  std::string folder = setup.substr(0, setup.find_last_of("\\/"));
  DeleteFileA((folder + "\\detected browsers.txt").c_str());
  // An elevated installer (Wine runs every program so) starts the browser
  // only as the desktop shell's child; the rig's desktop has no shell of its
  // own, so a stand-in takes that place.
  std::optional<FakeShell> shell;
  if (argc > 3 && !shell.emplace(asWindowsPath(argv[3])).running()) {
    std::fprintf(stderr, "uidemo: cannot start the desktop shell %s\n", argv[3]);
    return 1;
  }
  Process installer = Process::start("\"" + setup + "\"", folder);
  if (!installer.running()) {
    std::fprintf(stderr, "uidemo: cannot start %s\n", setup.c_str());
    return 1;
  }
  std::set<HWND> answered;
  // Answers every box the installer shows until it ends.
  auto answerBoxes = [&] {
    waitUntil(
        [&] {
          for (const WindowInfo& w : topLevelWindows(installer.id())) {
            if (!w.visible || w.className != "#32770" || answered.count(w.handle)) continue;
            answered.insert(w.handle);
            MessageBoxInfo box = readMessageBox(w.handle);
            std::printf("message box \"%s\"%s: %s\n", box.caption.c_str(),
                        box.errorIcon         ? " (error icon)"
                        : box.informationIcon ? " (information icon)"
                        : box.warningIcon     ? " (warning icon)"
                                              : "",
                        box.text.c_str());
            std::fflush(stdout);
            clickControl(w.handle, "OK");
          }
          return !installer.running();
        },
        std::chrono::seconds(60));
  };

  HWND window = waitForWindow(installer.id(), installerClassName, "", 60000);
  if (!window) {
    answerBoxes(); // the program ended with an error box instead
    std::printf("installer exit code: %lu\n", installer.wait(20000));
    return 1;
  }
  // The window shows before its controls are made: the Cancel button comes last.
  waitUntil([&] { return childOf(window, "Button:Cancel") != nullptr; }, std::chrono::seconds(10));
  HWND list = childOf(window, "ListBox");
  RECT r;
  GetWindowRect(window, &r);
  char caption[256] = {};
  GetWindowTextA(window, caption, sizeof caption);
  std::printf("window \"%s\" (class %s), %ld x %ld\n", caption, installerClassName,
              r.right - r.left, r.bottom - r.top);
  for (const WindowInfo& c : childWindows(window))
    if (c.className != "ListBox")
      std::printf("  %s \"%s\"\n", c.className.c_str(), c.caption.c_str());
  if (!list || !painted(list)) {
    std::fprintf(stderr, "uidemo: the check-list did not show\n");
    return 1;
  }
  std::printf("  check-list ([x] ticked, [#] installed and up to date):\n");
  showList(list);
  std::string shot = asWindowsPath(argv[2]);
  if (writePng(shot, captureScreen(window))) std::printf("screenshot: %s\n", shot.c_str());

  // Tick the last unticked browser too, as a user adding one would.
  std::vector<std::string> items = listItems(list);
  std::vector<int> states = shownCheckStates(list);
  for (int k = static_cast<int>(states.size()) - 1; k >= 0; --k) {
    if (states[k] != 0) continue;
    auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    SendMessageA(list, LB_SETTOPINDEX, k, 0);
    UpdateWindow(list);
    int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    LPARAM at = MAKELPARAM(2, (k - top) * height + height / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    std::printf("ticking \"%s\"\n", items[k].c_str());
    waitUntil([&] { return shownCheckStates(list)[k] == 1; }, std::chrono::seconds(5));
    break;
  }
  showList(list);
  std::printf("pressing Continue\n");
  std::fflush(stdout);
  clickControl(window, "Continue");
  answerBoxes();
  DWORD code = installer.wait(20000);
  std::printf("installer exit code: %lu\n", static_cast<unsigned long>(code));

  // What detection recorded: name, program and plug-in directory per browser.
  std::vector<std::string> lines;
  std::string text = readFile(folder + "\\detected browsers.txt");
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  std::printf("plug-in directories:\n");
  for (size_t i = 0; i + 2 < lines.size(); i += 3) {
    std::printf("  %s: %s\n", lines[i].c_str(), lines[i + 2].c_str());
    describeFolder(lines[i + 2]);
  }
  for (size_t i = 0; i + 2 < lines.size(); i += 3) {
    FakeBrowserLine shown = waitForFakeBrowserLine(lines[i + 1], 0, {"shown"}, 3000);
    for (const FakeBrowserLine& line : readFakeBrowserLog(lines[i + 1]))
      if (line.event == "start")
        std::printf("started: %s\n  command line: %s\n  show mode %s%s\n", lines[i].c_str(),
                    line.field("cmdline").c_str(), line.field("show").c_str(),
                    shown.field("zoomed") == "1" ? " (maximised)" : "");
  }
  return code == 0 ? 0 : 1;
}
