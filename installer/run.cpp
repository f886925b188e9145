#include "installer/run.h"

#include "installer/processes.h"
#include "util/ui.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// What the run does with a browser's plug-in folder, as a log line says it.
const char* actionText(tRunAction action) {
  switch (action) {
  case tRunAction::install:
    return "installing into";
  case tRunAction::remove:
    return "removing from";
  case tRunAction::keep:
    return "up to date, left alone:";
  case tRunAction::none:
    break;
  }
  return "not chosen, left alone:";
}

} // namespace

tChoice initialChoice(const tSession& session, size_t browser) {
  switch (session.browsers.at(browser).installed) {
  case tInstalledState::outdated:
    return {0, 1};
  case tInstalledState::upToDate:
    return {2, 2};
  case tInstalledState::missing:
    break;
  }
  return {0, session.start.browser == browser ? 1u : 0u};
}

tRunResult runInstallation(const tSession& session, tChoiceSource& choices, tReporter& reporter,
                           const tCancelRequest& cancel) {
  bool installed = false; // into any browser
  bool removed = false;   // from any browser
  bool launch = false;
  bool failed = false;
  tBrowserStart start = session.start;
  for (size_t k = 0; k < session.browsers.size(); ++k) {
    // Cancel, Escape or the close box: the browser in hand was finished, and
    // no later one is touched.
    if (cancel.requested()) break;
    const std::string& dir = session.browsers[k].pluginDir;
    tChoice choice = choices.choiceFor(k);
    tRunAction action = runActionFor(choice.initialState, choice.checkState);
    reporter.note(session.browsers[k].name + ": " + actionText(action) + " " + dir);
    if (action == tRunAction::install || action == tRunAction::remove) {
      std::vector<uint32_t> asked = closeRunningBrowsers(dir);
      if (!asked.empty())
        reporter.note("asked " + std::to_string(asked.size()) + " running program(s) to quit");
      // A browser asked to quit holds its plug-in until it has ended.
      waitForProcessesToEnd(asked, quitWaitMs);
    }
    if (action == tRunAction::install) {
      installed = true;
      if (!installPayload(session.archive, dir, reporter)) failed = true;
    }
    if (action == tRunAction::remove) {
      removed = true;
      removeFiles(dir, session.rootFiles, reporter);
      if (start.browser == k) start = {std::nullopt, tOtherStart::nothing};
    }
    if (action == tRunAction::keep || action == tRunAction::install) launch = true;
  }
  // The agent's browser left unticked: the address goes to the default browser.
  if (start.browser && choices.choiceFor(*start.browser).checkState == 0)
    start = {std::nullopt, tOtherStart::defaultBrowser};
  bool cancelled = cancel.requested();
  tRunResult result;
  result.outcome = failed      ? tOutcome::finishedWithErrors
                   : cancelled ? tOutcome::cancelled
                   : installed ? tOutcome::installed
                   : removed   ? tOutcome::removed
                               : tOutcome::nothingToChange;
  // A browser is opened only after a run that did all that was asked of it.
  result.start = launch && !cancelled && !failed ? start : tBrowserStart{{}, tOtherStart::nothing};
  return result;
}

tOutcomeBox outcomeBoxFor(tOutcome outcome) {
  switch (outcome) {
  case tOutcome::finishedWithErrors:
    return {"Installation Incomplete",
            "Installation finished with errors. The plug-in may not work in every browser you "
            "selected.",
            BoxIcon::warning};
  case tOutcome::cancelled:
    return {"Installation Cancelled",
            "Installation cancelled. Browsers that the installation had not reached were left "
            "unchanged.",
            BoxIcon::information};
  case tOutcome::installed:
  case tOutcome::removed:
    return {infoCaption, "Installation complete.", BoxIcon::information};
  case tOutcome::nothingToChange:
    break;
  }
  return {infoCaption, "Installation complete, no changes were made.", BoxIcon::information};
}
