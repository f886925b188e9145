#pragma once
// The installer's one window: a picture, the vendor's address, an instruction,
// the check-list of the session's browsers and the buttons "Set All",
// "Continue" and "Cancel". It shows the session and collects the user's
// choices; "Continue" hands both to the run (installer/run.h), with the
// window as the source of the choices and the reporter of errors, and then
// shows the run's outcome and starts what the run says.
#include "formless/checklist.h"
#include "formless/component.h"
#include "formless/program.h"
#include "installer/run.h"
#include "installer/runlog.h"
#include "installer/session.h"

#include <optional>

class tMainWin : public tProgram, public tChoiceSource, public tReporter {
public:
  // For the program's own module, class installerClassName (installer/texts.h).
  // The run's notes and errors also go to log (a closed one keeps nothing).
  tMainWin(const tSession& session, tRunLog& log);

  // The picture, the texts, the check-list and the buttons, placed to the
  // right of the picture; then the toolkit's fonts and focus.
  void createControls() override;
  // The check-list of the session's browsers at left, top, with each item's
  // initial state from its installation and the agent's browser ticked.
  void fillBrowserBox(int left, int top);
  // Ticks every unticked item ("Set All").
  void setAll();
  // "Continue": the installation and removal run, its outcome box, the
  // browser start. A press while a run is going on is ignored.
  void runInstall();

  // The run's source of choices: the browser's item, read now.
  tChoice choiceFor(size_t browser) override;
  // The run's reporter: an error box.
  void error(const std::string& text) override;

  // How the run ended; empty when the window closed without one.
  const std::optional<tOutcome>& outcome() const { return outcome_; }

  tChecklistBox* browserBox = nullptr;

private:
  const tSession& session_;
  tRunLog& log_;
  bool running_ = false;
  std::optional<tOutcome> outcome_;
};
