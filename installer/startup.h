#pragma once
// The main routine's (installer/main_win.cpp) portable steps: the program's
// directory and the file of detected browsers written there; and the size of
// the window it opens.
#include <string>

// The window's outer width and height.
constexpr int windowWidth = 481;
constexpr int windowHeight = 190 + 75;

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
