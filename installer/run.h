#pragma once
// The run behind "Continue": for each browser in turn, what the user chose
// for it (read when the run gets there: the user may still change items
// ahead), then closing the browser and installing the plug-in into its
// plug-in directory or removing it from there. It needs no window: the
// choices come from a tChoiceSource, errors go to a tReporter as they
// happen, and a tCancelRequest set between two browsers ends it. What
// happened comes back as an outcome, with what to start at the end.
#include "installer/rules.h"
#include "installer/session.h"
#include "util/ui.h"

#include <cstddef>
#include <cstdint>

// A browser's check-list item: its state when the window opened and now.
struct tChoice {
  uint32_t initialState = 0;
  uint32_t checkState = 0;
};

// How the window first shows a browser's item: an older installation (or
// one of unknown version) ticked, an up-to-date one as the greyed tick that
// the run leaves alone, a missing one ticked only for the agent's browser.
tChoice initialChoice(const tSession& session, size_t browser);

// Where a run reads what the user chose for each browser.
class tChoiceSource {
public:
  virtual tChoice choiceFor(size_t browser) = 0;

protected:
  ~tChoiceSource() = default;
};

// How a run ended.
enum class tOutcome {
  installed, // the plug-in went into at least one browser
  removed,   // it was removed from some browser and installed into none
  nothingToChange,
  cancelled,          // the user cancelled; browsers not reached were left alone
  finishedWithErrors, // an installation failed (its error was reported)
};

struct tRunResult {
  tOutcome outcome = tOutcome::nothingToChange;
  // What to start now: nothing after a run that did not do all that was
  // asked of it, or that left no browser with the plug-in kept or installed.
  tBrowserStart start;
};

tRunResult runInstallation(const tSession& session, tChoiceSource& choices, tReporter& reporter,
                           const tCancelRequest& cancel);

// The box of an outcome: caption, text and icon, as the window shows it.
struct tOutcomeBox {
  const char* caption;
  const char* text;
  BoxIcon icon;
};
tOutcomeBox outcomeBoxFor(tOutcome outcome);

// Windows only. Opens the session's start URL as start says: in a browser of
// the session (maximised), in the default browser, or not at all.
void startBrowser(const tSession& session, const tBrowserStart& start);
