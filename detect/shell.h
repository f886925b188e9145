#pragma once
// Shell associations and process launching: how the installer opens its start
// address at the end of a run, in the browser that matched the agent text or
// in the system's default browser, found through the "http" and ".html"
// associations under HKEY_CLASSES_ROOT. Nothing here waits for the started
// program or reports an error: a missing association gives empty texts and a
// command that cannot start.
//
// The command-line rules are portable; the routines marked "Windows only"
// read the registry (through detect/registry.h) and start processes.
#include <string>
#include <string_view>

// The program part of a command line: after a leading double quote, the
// characters up to the next double quote (or the end); otherwise those up to
// the first blank (or the end). Empty for an empty command.
std::string programFromCommandLine(std::string_view cmd);

// The command with url in place of its first "%1" (a quoted "%1" stays
// quoted); empty when cmd has no "%1" at position 2 or later.
std::string commandWithUrl(std::string_view cmd, std::string_view url);

// The program, in double quotes when it contains a blank, one blank and the
// argument: how a program path and an address make a command line.
std::string programCommand(std::string_view program, std::string_view argument);

// The address as it may go into a command line: every byte that would end
// or split an argument there (blanks, tabs and the other control characters,
// double quotes) as "%" and two hexadecimal digits, and likewise a leading
// "-" or "/", which a browser would take for an option. A valid URL has none
// of these and comes back unchanged.
std::string commandLineUrl(std::string_view url);

// SW_SHOWMAXIMIZED: how every browser is started.
constexpr int showMaximized = 3;

// Windows only. Starts the command line as a new process with the show mode,
// without waiting; true when the process was created. When the program runs
// elevated, the process is made a child of the desktop shell's process, so
// that it runs with the user's own rights; where there is no shell window or
// the system cannot do that, it is the program's own child.
bool runProgram(const std::string& cmd, int show);

// Windows only. The default browser's command for url: the open command of
// the class the user chose for "http" with url at its "%1"; when there is
// none, or it has no "%1" at position 2 or later, the command of the default
// verb of "http" with url at its "%1"; when that has none either, the program
// of the ".html" open command with url.
std::string defaultBrowserCommand(const std::string& url);
// Windows only. Runs defaultBrowserCommand(url), maximised.
void openUrlInDefaultBrowser(const std::string& url);

// Windows only. The command of the default verb of a class or protocol: the
// default value of name\shell names the verb, and name\shell\<verb>\command
// holds the command. Empty when the "shell" key has no default value.
std::string defaultVerbCommand(const std::string& name);
// Where the user's choice of program for a protocol ("http") is kept below
// HKEY_CURRENT_USER; its value "ProgId" names a class.
std::string userChoiceKey(const std::string& protocol);
// Windows only. The open command of the class that the user chose for the
// protocol; empty when no choice is recorded or the class has no such command.
std::string userChoiceCommand(const std::string& protocol);
// Windows only. The program of the "open" command of the class that the
// extension (with its dot) belongs to.
std::string programForExtension(const std::string& ext);
// Windows only. The default value of cls\shell\open\command; empty when it
// is missing or cls is empty.
std::string openCommandOfClass(const std::string& cls);
