#pragma once
// What setup.exe is told on its command line: the switches administrators
// deploy it with and the archive to install from, and the exit codes a
// deployment tool reads back.
#include "installer/run.h"
#include "installer/session.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The switches, in any letter case: /S (unattended), /LOG=path and /?.
struct tCommandLine {
  bool unattended = false;   // /S: no window, no message box
  bool help = false;         // /?: a box listing the switches
  std::string logPath;       // /LOG=path; empty: no log
  std::string unknownSwitch; // the first argument that looks like a switch and is none
  bool hasArchive = false;   // an archive path was given
  std::string archivePath;   // the first argument that is not a switch
};

// Reads the arguments after the program's name. An argument starting with
// "/" that is no known switch stays an archive path when it names an
// existing file (fileExists tells); otherwise it is an unknown switch.
tCommandLine parseCommandLine(const std::vector<std::string>& args,
                              const std::function<bool(const std::string&)>& fileExists);

// The program's exit codes, in both modes.
enum class tExitCode : int {
  done = 0,          // installed, removed, or nothing to change
  cancelled = 1,     // the user cancelled, before or during the run
  unknownSwitch = 2, // an argument was an unknown switch
  noBrowser = 3,     // no compatible browser was found
  badArchive = 4,    // the archive is missing, damaged or unreadable
  errors = 5,        // the run finished with errors (errors win over a cancel)
};

// The exit code of a run that ended so.
tExitCode exitCodeFor(tOutcome outcome);

// The choices /S makes: what "Set All" then "Continue" would do. Every
// browser that is not up to date is installed into; one that is up to date
// keeps its installation; none loses it.
class tSetAllChoices final : public tChoiceSource {
public:
  explicit tSetAllChoices(const tSession& session) : session_(session) {}
  tChoice choiceFor(size_t browser) override;

private:
  const tSession& session_;
};

// The text of the box that /? shows.
extern const char* const switchesHelpText;
