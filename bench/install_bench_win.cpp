// The whole installation run against its file work alone. A setup.exe with a
// payload of 200 files of mixed sizes (deflated; made by `make bench`) is run
// as a user runs it on a computer with eight browsers: "Set All", then
// "Continue", timed from the click to the completion box. The same
// extractions into the same eight plug-in directories are then done by a
// bare loop over extractEntry. Runs under Wine in `make bench`; prints both
// times and ends with
//   install_vs_extract: R   (bare loop time / run time)
//
//   install_bench setup.exe
#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "installer/texts.h"
#include "tests/driver/fakebrowsers.h"
#include "tests/driver/process.h"
#include "tests/driver/uidriver.h"
#include "util/text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace uidriver;

namespace {

constexpr int rounds = 4;

double seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

// Empties a plug-in directory, folders below it included, keeping it.
void empty(const std::string& dir) {
  removeTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
}

// The plug-in directories the installer found, from its record of them.
std::vector<std::string> pluginDirs(const std::string& folder) {
  std::vector<std::string> dirs;
  std::string text = readFile(folder + "\\detected browsers.txt");
  int at = 1, line = 0;
  while (at <= static_cast<int>(text.size())) {
    std::string item = nextToken(text, at, '\n');
    if (line++ % 3 == 2) dirs.push_back(item);
  }
  return dirs;
}

HWND visibleBox(DWORD pid) {
  for (const WindowInfo& w : topLevelWindows(pid))
    if (w.visible && w.className == "#32770") return w.handle;
  return nullptr;
}

// One run of the installer with every browser ticked; the seconds from the
// click on "Continue" to the completion box, or a negative value on failure.
double timedRun(const std::string& setup, const std::string& folder) {
  Process installer = Process::start("\"" + setup + "\"", folder);
  HWND window = waitForWindow(installer.id(), installerClassName, "", 60000);
  if (!window) return -1;
  // The window shows before its controls: the Cancel button comes last.
  HWND list = nullptr, cancel = nullptr;
  for (double waited = seconds(); !cancel && seconds() - waited < 60; Sleep(10))
    for (const WindowInfo& c : childWindows(window)) {
      if (c.className == "ListBox") list = c.handle;
      if (c.caption == "Cancel") cancel = c.handle;
    }
  if (!clickControl(window, "Set All")) return -1;
  for (double waited = seconds(); seconds() - waited < 60; Sleep(10)) {
    std::vector<int> states = shownCheckStates(list);
    if (!states.empty() && std::count(states.begin(), states.end(), 0) == 0) break;
  }
  double start = seconds();
  if (!clickControl(window, "Continue")) return -1;
  HWND box = nullptr;
  // Looked for every 20 ms: asking more often would take the window system
  // from the run being measured.
  while (!(box = visibleBox(installer.id())) && installer.running() && seconds() - start < 600)
    Sleep(100);
  double elapsed = seconds() - start;
  if (!box || readMessageBox(box).text != "Installation complete.") return -1;
  clickControl(box, "OK");
  installer.wait(60000);
  return elapsed;
}

// The same extractions by a bare loop over extractEntry: every entry the
// installation writes, to its path in each directory, worked out beforehand
// (the payload has no folders below the first).
double timedLoop(const tArchive& archive, const std::vector<std::string>& dirs) {
  std::vector<std::pair<std::string, int32_t>> targets;
  for (const std::string& dir : dirs)
    archive.visitEntries([&](const std::string& name, int32_t headerPos, uint32_t, uint32_t) {
      if (isInstalledEntry(name))
        targets.emplace_back(dir + "\\" + withoutFirstFolder(name), headerPos);
      return false;
    });
  double start = seconds();
  ArchiveJob job;
  for (const auto& [path, headerPos] : targets)
    archive.extract(job, headerPos, path);
  return seconds() - start;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: install_bench setup.exe\n");
    return 2;
  }
  std::string setup = argv[1][0] == '/' ? windowsPath(argv[1]) : argv[1];
  std::string folder = setup.substr(0, setup.find_last_of('\\'));
  tArchive archive;
  if (!readArchive(setup, archive).empty()) {
    std::fprintf(stderr, "install_bench: %s holds no archive\n", setup.c_str());
    return 1;
  }
  int files = 0;
  archive.visitEntries(
      [&](const std::string&, int32_t, uint32_t, uint32_t) { return ++files, false; });

  // The first run finds the directories and warms the caches; then each
  // round times both ways, in turns first, and the best of each counts.
  std::vector<std::string> dirs;
  if (timedRun(setup, folder) < 0) {
    std::fprintf(stderr, "install_bench: the installer's run did not complete\n");
    return 1;
  }
  endFakeBrowsers("C:\\Program Files"); // the browser the run started at its end
  dirs = pluginDirs(folder);
  double run = 1e9, loop = 1e9;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      for (const std::string& dir : dirs)
        empty(dir);
      if ((round + turn) % 2 == 1) {
        loop = std::min(loop, timedLoop(archive, dirs));
        continue;
      }
      double r = timedRun(setup, folder);
      endFakeBrowsers("C:\\Program Files");
      if (r < 0) {
        std::fprintf(stderr, "install_bench: the installer's run did not complete\n");
        return 1;
      }
      run = std::min(run, r);
    }
  }
  std::printf("%d files into %zu plug-in directories: the installer's run %.3f s, a bare loop "
              "over extractEntry %.3f s\n",
              files, dirs.size(), run, loop);
  std::printf("install_vs_extract: %.2f\n", loop / run);
  return 0;
}
