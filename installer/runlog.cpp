#include "installer/runlog.h"

bool tRunLog::create(const std::string& path) {
  // Readable by others while it is written: an administrator may watch it.
  file_ = platform::File::createNew(path, platform::Share::read);
  return file_.isOpen();
}

void tRunLog::line(const std::string& text) {
  if (!file_.isOpen()) return;
  std::string bytes = text + "\r\n";
  // A log that cannot be written to is no reason to stop the installation.
  file_.write(bytes.data(), bytes.size());
}

void tLogReporter::error(const std::string& text) {
  log_.line("  error: " + text);
  if (shown_) shown_->error(text);
}

void tLogReporter::note(const std::string& text) {
  log_.line("  " + text);
}

std::string browserLogLine(const tBrowser& browser) {
  return "  " + browser.name + ": program " + browser.program + ", plug-in folder " +
         browser.pluginDir;
}

std::string heldLogLine(const tSessionBrowser& browser) {
  const char* held = browser.installed == tInstalledState::upToDate   ? "up to date"
                     : browser.installed == tInstalledState::outdated ? "older or unknown version"
                                                                      : "not installed";
  return "  " + browser.name + ": " + held;
}

const char* outcomeLogText(tOutcome outcome) {
  switch (outcome) {
  case tOutcome::installed:
    return "installed";
  case tOutcome::removed:
    return "removed";
  case tOutcome::nothingToChange:
    return "nothing to change";
  case tOutcome::cancelled:
    return "cancelled";
  case tOutcome::finishedWithErrors:
    break;
  }
  return "finished with errors";
}

std::string exitCodeLogLine(tExitCode code) {
  return "Exit code: " + std::to_string(static_cast<int>(code));
}
