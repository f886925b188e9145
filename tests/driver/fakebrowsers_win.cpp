#include "tests/driver/fakebrowsers.h"

#include "tests/driver/uidriver.h"
#include "tests/util/wait.h"

#include <algorithm>
#include <cstdlib>
#include <psapi.h>
#include <tlhelp32.h>

namespace uidriver {
namespace {

constexpr UINT pingMessage = WM_APP + 1;

FakeBrowserLine parseLine(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  FakeBrowserLine parsed;
  size_t at = line.find(' ');
  parsed.event = line.substr(0, at);
  while (at != std::string::npos) {
    size_t start = at + 1;
    size_t equals = line.find('=', start);
    if (equals == std::string::npos) break;
    std::string key = line.substr(start, equals - start);
    // "cmdline" takes the rest of the line; a quoted value ends at its closing quote.
    bool quoted = key != "cmdline" && line.compare(equals + 1, 1, "\"") == 0;
    size_t from = equals + 1 + (quoted ? 1 : 0);
    size_t end = key == "cmdline" ? std::string::npos : line.find(quoted ? '"' : ' ', from);
    parsed.fields[key] = line.substr(from, end == std::string::npos ? end : end - from);
    at = end == std::string::npos || !quoted ? end : end + 1;
  }
  parsed.pid = static_cast<DWORD>(std::strtoul(parsed.field("pid").c_str(), nullptr, 10));
  return parsed;
}

// The program of a process; empty when it cannot be read.
std::string programOf(HANDLE process) {
  char path[MAX_PATH];
  DWORD len = GetModuleFileNameExA(process, nullptr, path, MAX_PATH);
  return std::string(path, len);
}

bool hasEnded(HANDLE process) {
  return process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

} // namespace

std::string FakeBrowserLine::field(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

std::vector<FakeBrowserLine> readFakeBrowserLog(const std::string& exePath) {
  std::string log = readFile(exePath + ".log");
  std::vector<FakeBrowserLine> lines;
  size_t start = 0;
  // Only whole lines: a writer may be in the middle of one.
  for (size_t end = log.find('\n'); end != std::string::npos; end = log.find('\n', start)) {
    lines.push_back(parseLine(log.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

std::vector<FakeBrowserLine> fakeBrowserLines(const std::string& exePath, DWORD pid) {
  std::vector<FakeBrowserLine> mine;
  for (FakeBrowserLine& line : readFakeBrowserLog(exePath))
    if (pid == 0 || line.pid == pid) mine.push_back(std::move(line));
  return mine;
}

std::vector<std::string> fakeBrowserEvents(const std::string& exePath, DWORD pid) {
  std::vector<std::string> events;
  for (const FakeBrowserLine& line : fakeBrowserLines(exePath, pid))
    events.push_back(line.event);
  return events;
}

FakeBrowserLine waitForFakeBrowserLine(const std::string& exePath, DWORD pid,
                                       const std::vector<std::string>& events, int timeoutMs) {
  OwnedKernelHandle process(pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr);
  auto find = [&]() -> FakeBrowserLine {
    for (FakeBrowserLine& line : fakeBrowserLines(exePath, pid))
      if (std::find(events.begin(), events.end(), line.event) != events.end()) return line;
    return {};
  };
  FakeBrowserLine found;
  waitUntil(
      [&] {
        // Ended is asked before the log is read: a line written before the end is then seen.
        bool ended = hasEnded(process.get());
        found = find();
        return !found.event.empty() || ended;
      },
      std::chrono::milliseconds(timeoutMs));
  return found;
}

Process startFakeBrowser(const std::string& exePath, const std::string& arguments) {
  std::string cmd = "\"" + exePath + "\"" + (arguments.empty() ? "" : " " + arguments);
  Process browser = Process::start(cmd);
  if (browser.running() && waitForFakeBrowserLine(exePath, browser.id(), {"shown"}).event.empty())
    browser.kill();
  return browser;
}

bool pingFakeBrowser(DWORD pid) {
  bool posted = false;
  for (const WindowInfo& w : topLevelWindows(pid))
    if (w.className == "FakeBrowser") posted |= PostMessageA(w.handle, pingMessage, 0, 0) != 0;
  return posted;
}

int endFakeBrowsers(const std::string& folder) {
  std::string prefix = folder + "\\";
  OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  int ended = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == 0 || entry.th32ProcessID == GetCurrentProcessId()) continue;
    OwnedKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE,
                    FALSE, entry.th32ProcessID));
    if (!process) continue;
    std::string program = programOf(process.get());
    if (program.size() > prefix.size() &&
        lstrcmpiA(program.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0 &&
        TerminateProcess(process.get(), 255)) {
      WaitForSingleObject(process.get(), 10000);
      ++ended;
    }
  }
  return ended;
}

DWORD shellWindowOwner() {
  DWORD pid = 0;
  HWND shell = GetShellWindow();
  return shell && GetWindowThreadProcessId(shell, &pid) ? pid : 0;
}

FakeShell::FakeShell(const std::string& program) : process_(Process::start("\"" + program + "\"")) {
  // Until its window is the shell window, or it has ended without becoming it.
  waitUntil([&] { return !process_.running() || shellWindowOwner() == id(); },
            std::chrono::seconds(30));
}

FakeShell::~FakeShell() {
  process_.kill();
  // Its window goes with it, and with the window the desktop's shell.
  waitUntil([&] { return id() == 0 || shellWindowOwner() != id(); }, std::chrono::seconds(30));
}

FakeBrowserFolder::FakeBrowserFolder(const std::string& name) : root_(name) {}

FakeBrowserFolder::~FakeBrowserFolder() {
  endFakeBrowsers(root());
}

std::string FakeBrowserFolder::place(const std::string& program,
                                     const std::string& relativePath) const {
  std::string path = root_ / relativePath;
  testfiles::createFoldersTo(path);
  return copyFile(program, path) ? path : std::string();
}

} // namespace uidriver
