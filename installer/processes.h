#pragma once
// Running-browser detection: before a browser's plug-in directory changes,
// closeRunningBrowsers asks every process that runs from a folder on the way
// to that directory to quit, by posting WM_QUIT to each of its top-level
// windows; waitForProcessesToEnd then gives them a few seconds to end. It
// does not retry or report; every failure means that nothing is closed. Processes are listed with
// the tool-help snapshot and, on the NT family, their executables' paths are read through
// "psapi.dll"; both are looked up at run time, so the program also starts without them.
//
// The path rules are portable; the routines marked "Windows only" are
// implemented in processes_win.cpp.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The folder of an executable path: the path up to and including its last
// "\" or ":", with a final "\" dropped again unless it is the first character
// or directly follows ":" or "\" (C:\x.exe gives C:\, C:\a\x.exe gives C:\a,
// \\x.exe gives \\). A bare file name gives the empty text.
std::string executableFolder(std::string_view path);

// True when the folder of exePath, upper-cased, is not empty and begins
// upperDir, an already upper-cased plug-in directory. A plain text prefix: no
// folder boundary is needed, so C:\Program Files\Opera leads to
// C:\Program Files\Opera Beta\Program\Plugins.
bool runsFromPathTo(std::string_view exePath, std::string_view upperDir);

// Windows only. The platform is of the NT family; set by initProcessApi.
// Off the NT family the snapshot's own executable names are used and every
// top-level window is enumerated, not only those of the thread's desktop.
extern bool isNT;

// Windows only. Module start-up: looks up the tool-help functions and
// QueryFullProcessImageNameA in "kernel32.dll", sets isNT and, on the NT
// family, loads "psapi.dll" for GetModuleFileNameExA. Runs once before the main routine.
void initProcessApi();
// Windows only. Module shut-down: releases "psapi.dll" and forgets every
// function looked up, so that nothing is called through a stale pointer.
void freeProcessApi();

// Asks every process (other than this one) whose executable's folder leads
// to dir, ignoring case, to quit (the host twin finds none). Returns the ids of those that
// were asked, that is that had a top-level window to post to.
std::vector<uint32_t> closeRunningBrowsers(const std::string& dir);
// Windows only. The full path of the process's executable, asked first with
// the limited query right (QueryFullProcessImageNameA, where the system has
// it), then with the rights to query and read the process's memory
// (GetModuleFileNameExA); empty when neither way reads it.
std::string processImagePath(uint32_t pid);
// Windows only. Posts WM_QUIT to every top-level window of the process; true
// when it had one.
bool quitProcessWindows(uint32_t pid);

// How long a run gives the browsers it asked to quit, in all, per browser.
constexpr uint32_t quitWaitMs = 5000;
// Waits until every one of the processes has ended (the host twin returns at once), at most
// limitMs in all, dispatching the window's messages meanwhile: a browser
// still unloading holds its plug-in, which could then not be replaced.
void waitForProcessesToEnd(const std::vector<uint32_t>& pids, uint32_t limitMs);
