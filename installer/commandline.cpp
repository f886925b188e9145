#include "installer/commandline.h"

#include "util/text.h"

namespace {

bool isSwitch(const std::string& arg) {
  return !arg.empty() && arg[0] == '/';
}

} // namespace

const char* const switchesHelpText =
    "Usage: setup.exe [switches] [archive]\n\n"
    "/S\tInstall unattended: no window and no message box; the plug-in goes into "
    "every browser that can load it and is not up to date.\n"
    "/LOG=path\tWrite a log of the run to a new file at path.\n"
    "/?\tShow this list.\n\n"
    "Exit codes: 0 done, 1 cancelled, 2 unknown switch, 3 no compatible browser, "
    "4 archive missing or damaged, 5 finished with errors.";

tCommandLine parseCommandLine(const std::vector<std::string>& args,
                              const std::function<bool(const std::string&)>& fileExists) {
  tCommandLine line;
  for (const std::string& arg : args) {
    std::string lower = lowerCase(arg);
    if (lower == "/s") {
      line.unattended = true;
    } else if (lower == "/?") {
      line.help = true;
    } else if (lower.starts_with("/log=") && lower.size() > 5) {
      line.logPath = arg.substr(5);
    } else if (isSwitch(arg) && !fileExists(arg)) {
      if (line.unknownSwitch.empty()) line.unknownSwitch = arg;
    } else if (!line.hasArchive) {
      line.hasArchive = true;
      line.archivePath = arg;
    }
  }
  return line;
}

tExitCode exitCodeFor(tOutcome outcome) {
  switch (outcome) {
  case tOutcome::cancelled:
    return tExitCode::cancelled;
  case tOutcome::finishedWithErrors:
    return tExitCode::errors;
  case tOutcome::installed:
  case tOutcome::removed:
  case tOutcome::nothingToChange:
    break;
  }
  return tExitCode::done;
}

tChoice tSetAllChoices::choiceFor(size_t browser) {
  // The window's item as it first shows; "Set All" ticks it unless it is
  // ticked or greyed already.
  tChoice choice = initialChoice(session_, browser);
  if (choice.checkState == 0) choice.checkState = 1;
  return choice;
}
