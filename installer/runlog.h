#pragma once
// The log that /LOG=path asks for: a plain-text record of one start of the
// installer, for the administrator who deployed it. It holds the command
// line, the browsers found and what each holds of the plug-in, what was done
// in each plug-in folder (files written and removed, errors with their
// texts), the outcome and the exit code. Lines end in CR LF, as Windows'
// own text tools expect.
#include "installer/commandline.h"
#include "installer/run.h"
#include "installer/session.h"
#include "util/platform.h"
#include "util/ui.h"

#include <string>

class tRunLog {
public:
  // No log: every line is dropped.
  tRunLog() = default;
  // Creates the log as a new file: false when something already has the
  // name (a file, a link) or it cannot be made. Never written through a
  // link, so an unprivileged user cannot aim an elevated run's log at a file
  // of their choice.
  bool create(const std::string& path);
  bool isOpen() const { return file_.isOpen(); }
  void line(const std::string& text);

private:
  platform::File file_;
};

// The reporter of a run that keeps a log: errors and notes go to the log,
// errors also to shown when there is one (the window's error boxes).
class tLogReporter final : public tReporter {
public:
  tLogReporter(tRunLog& log, tReporter* shown) : log_(log), shown_(shown) {}
  void error(const std::string& text) override;
  void note(const std::string& text) override;

private:
  tRunLog& log_;
  tReporter* shown_;
};

// A detected browser as the log lists it: name, program and plug-in folder.
std::string browserLogLine(const tBrowser& browser);
// What a browser's plug-in folder holds of the plug-in, as the log says it.
std::string heldLogLine(const tSessionBrowser& browser);
// How a run ended, in words.
const char* outcomeLogText(tOutcome outcome);
// The last line of every log.
std::string exitCodeLogLine(tExitCode code);
