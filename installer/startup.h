#pragma once
// What the main routine (installer/main_win.cpp) keeps for the rest of the
// program, and its portable steps: the program's directory and the file of
// detected browsers written there.
#include <string>

// The program's own directory without a trailing separator; later the target
// of the current extraction.
extern std::string destDir;
// Window height base; the main routine adds 75 before creating the window.
extern int layoutHeight;
// The window's outer width.
constexpr int windowWidth = 481;

// The directory part of the program's path, without its trailing separator
// (so a program at C:\setup.exe gives C:).
std::string programDirectory(const std::string& programPath);
// Where the list of detected browsers is written.
std::string detectedBrowsersPath(const std::string& dir);
// Writes the browser list's text form to path in one write, as a new file
// that replaces whatever had the name (a link of the name is removed, its
// target left alone); failures are ignored (the file is only a record of the
// run).
void writeDetectedBrowsers(const std::string& path, const std::string& text);
