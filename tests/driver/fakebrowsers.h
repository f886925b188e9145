#pragma once
// Using the fake browser programs of tests/fixtures in tests: starting them,
// reading the lines they log to "<program path>.log" (see
// tests/fixtures/fakebrowser.cpp for the format), posting their private
// "ping" and ending every one started from a folder.
//
// Posted messages are taken in order: a ping posted after some action that
// shows up in the log with no "quit" before it proves, without any timing,
// that the action posted no WM_QUIT to that program.
#include "tests/driver/process.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace uidriver {

// One line of a fake browser's log: the event ("start", "shown", "ping",
// "quit", "close"), the process id and the other key=value fields ("show",
// "ppid", "parent", "cwd", "cmdline", "zoomed", "hwnd"); "cmdline" takes the
// rest of its line, a quoted value is taken without its quotes.
struct FakeBrowserLine {
  std::string event;
  DWORD pid = 0;
  std::map<std::string, std::string> fields;

  // The field's text; empty when the line has none.
  std::string field(const std::string& key) const;
};

// The log of the program at exePath, every process's lines in order.
std::vector<FakeBrowserLine> readFakeBrowserLog(const std::string& exePath);
// The lines of one process (pid 0: of every process).
std::vector<FakeBrowserLine> fakeBrowserLines(const std::string& exePath, DWORD pid);
// The events of one process in order, such as {"start", "shown", "ping"}.
std::vector<std::string> fakeBrowserEvents(const std::string& exePath, DWORD pid);

// Waits until the log shows one of the events for the process (pid 0: any
// process) and returns the first such line; an empty event when the process
// ended without one. Waiting for {"quit", "ping"} after a ping was posted
// ends at whichever the program took first. The timeout only guards against
// a hang: no result depends on it.
FakeBrowserLine waitForFakeBrowserLine(const std::string& exePath, DWORD pid,
                                       const std::vector<std::string>& events,
                                       int timeoutMs = 60000);

// Starts the program (quoted, then arguments) and waits until it has shown
// its window; the Process does not run when that failed.
Process startFakeBrowser(const std::string& exePath, const std::string& arguments = {});

// Posts the private "ping" (WM_APP + 1) to the process's "FakeBrowser"
// windows; false when it has none.
bool pingFakeBrowser(DWORD pid);

// Ends, by process id, every process whose program lies below folder, and
// waits for each to be gone; returns how many were ended. For clean-up, so
// that no test leaves a fake browser running.
int endFakeBrowsers(const std::string& folder);

// The owner of the desktop's shell window: the process whose id
// GetShellWindow's window gives; 0 when the desktop has no shell window.
DWORD shellWindowOwner();

// The fake desktop shell of tests/fixtures/fakeshell.cpp, running while the
// object lives: the desktop's shell window is its window. Not running when
// it could not become the shell (the desktop had one already).
class FakeShell {
public:
  explicit FakeShell(const std::string& program);
  ~FakeShell();
  FakeShell(const FakeShell&) = delete;
  FakeShell& operator=(const FakeShell&) = delete;

  bool running() const { return process_.running() && shellWindowOwner() == process_.id(); }
  DWORD id() const { return process_.id(); }

private:
  Process process_;
};

// A fresh temporary folder to place fake browsers in. When the object goes,
// every program started from below it is ended and the folder removed.
class FakeBrowserFolder {
public:
  explicit FakeBrowserFolder(const std::string& name);
  ~FakeBrowserFolder();
  FakeBrowserFolder(const FakeBrowserFolder&) = delete;
  FakeBrowserFolder& operator=(const FakeBrowserFolder&) = delete;

  const std::string& root() const { return root_.path(); }
  // Copies program to root\relativePath, making the folders on the way;
  // returns the copy's full path, empty when the copy failed.
  std::string place(const std::string& program, const std::string& relativePath) const;

private:
  testfiles::ScratchDir root_;
};

} // namespace uidriver
