#pragma once
// The installer's outermost flow: the main routine and the state it keeps for
// the rest of the program.
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
// Installs the archive's payload into dir (installToDir) and keeps the folder
// it installed into, "/"-separated, in destDir; a refused installation (one
// already runs) leaves destDir alone. False when an entry failed (its message
// was shown) or the installation was refused.
bool installPayload(const std::string& dir);
// Writes the browser list's text form to path in one write, as a new file
// that replaces whatever had the name (a link of the name is removed, its
// target left alone); failures are ignored (the file is only a record of the
// run).
void writeDetectedBrowsers(const std::string& path, const std::string& text);

// The main routine: detection, the detected-browsers file, the archive check,
// then the window until the user is done with it.
void runInstaller(const std::string& programPath, const std::string* firstArgument);
